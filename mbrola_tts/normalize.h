// Text normalisation for the MBROLA engine: numbers become Portuguese words
// (cardinals, ordinals, decimals, digit strings with dashes), symbols their
// spoken names, unpronounceable consonant runs are spelled, and
// abbreviations from the abbreviations file are expanded. The result holds
// only letters, blanks, the punctuation the prosody reacts to, and "...".
// Letter case stays as written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Module start: empties the abbreviation table. Tests call it to start afresh.
void TavineNormalizeStart();
void TavineNormalizeEnd();

// Reads the abbreviations file (replacing the table). False when the file
// does not exist or cannot be opened.
bool LoadAbbreviations(std::string_view path);
// The expansion of the first entry whose key equals the word in capitals,
// or the empty text.
std::string AbbreviationExpansion(std::string_view word);
std::size_t TavineAbbreviationCount();

std::string NormalizeText(std::string_view text);

// The spoken name of a character (possibly empty).
std::string CharName(char character);

// `position0` is a 0-based index into `text`, moved past what was read.
std::string ScanWord(std::string_view text, std::size_t* position0);
std::string NumberText(std::string_view text, std::size_t* position0);

std::string CardinalWords(uint64_t value);
enum class OrdinalGender { kMasculine, kFeminine };
std::string OrdinalWords(uint64_t value, OrdinalGender gender);
