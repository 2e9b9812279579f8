// The translator: Portuguese words to the built-in synthesizer's phonemes.
#pragma once

#include <string>
#include <string_view>

// A run of word characters (letters, bytes 128-255, blanks) to a phoneme
// string.
std::string TranslateToPhonemes(std::string_view words);
