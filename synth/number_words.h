// Numbers in Portuguese words, said with the recorded word sounds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

std::string NumberToWords(int64_t value);
// Plays the recorded sound of each word and returns when all were heard.
void SpeakNumberWords(std::string_view words, bool feminine);
