// Numbers in Portuguese words, said with the recorded word sounds of the
// letters folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The words of a group of three digits ("123" gives "cento e vinte e tres").
std::string GroupWords(std::string_view threeDigits);
// The words of group `index` (0 trillions .. 4 ones) of a 15-digit text,
// with its scale name.
std::string GroupWithScale(std::string_view fifteenDigits, int index);
// The cardinal words of a value, separated by blanks; may end with a
// blank. Negative values get "menos" in front; values of 10^15 and more are
// said digit by digit.
std::string NumberToWords(int64_t value);

// The name of a word's recording in the letters folder, without ".wav".
std::string NumberWordFileName(std::string_view word);

// Plays the recorded sound of each word and returns when all were heard.
// With `feminine`, a last word "um" or "dois" is said "uma" or "duas".
void SpeakNumberWords(std::string_view words, bool feminine);

// Size of the samples gathered before they are played.
inline constexpr std::size_t kNumberPlayBufferSize = 30000;
