// The translator: Portuguese words to the built-in synthesizer's phonemes.
// Text is mapped to a 7-bit working alphabet (accents become mark
// characters after their vowel), whole words are replaced from the
// exceptions file, the stressed vowel is marked by upper case, and the
// letters become phoneme pieces through the context rules of the rules
// file. Words without a vowel are spelled.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Empties the rules and the exceptions; module start.
void TranslatorStart();

// Reads the rules file (a Windows path), starting from no rules and no
// exceptions. False when the file cannot be opened.
bool LoadRules(std::string_view path);
// Reads the exceptions file into the sorted table. False (and an empty
// table) when the file cannot be opened.
bool LoadExceptions(std::string_view path);
// Releases every rule.
void FreeRules();

// A run of word characters (letters, bytes 128-255, blanks) to a phoneme
// string; an empty text gives an empty string.
std::string TranslateToPhonemes(std::string_view words);

// The text in the working alphabet: accented letters become a letter and
// a mark, w and y between letters become u and i, an apostrophe after d
// goes, and characters without a form become the one-character word of
// byte 1.
std::string Preprocess(std::string_view text);

// How many rules and exceptions are loaded; for tests and tools.
std::size_t RuleCount();
std::size_t ExceptionCount();

// The longest word the translator keeps in one piece; longer runs of
// letters go on as further words.
inline constexpr std::size_t kMaxWordChars = 256;
