// Character classes, case mapping and data-file reading shared by the stages
// of the MBROLA engine. All text is Windows-1252 bytes. Each stage names the
// class it needs; the classes differ on purpose (normalisation counts Ñ as a
// letter, the rule contexts of the letter-to-sound rules do not).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavine {

// Letters as normalisation and the token list see them: A-Z, a-z and the
// accented letters of Portuguese (with Ñ/ñ and Ü/ü).
bool IsTextLetter(char c);
// Consonants as normalisation sees them: the consonant letters of A-Z and
// a-z, Ç, Ñ, ç, ñ.
bool IsTextConsonant(char c);
bool IsDigit(char c);

// Capitals: a-z and the accented small letters of Windows-1252 are raised.
char UpperCaseChar(char c);
std::string UpperCaseText(std::string_view text);
// Small letters: A-Z and the accented capitals are lowered. Lengths never
// change, so positions stay the same in both forms.
char LowerCaseChar(char c);
std::string LowerCaseText(std::string_view text);

// The text without leading and trailing blanks and tabs.
std::string_view TrimBlanks(std::string_view text);

// Reads one of the engine's data files as lines without their line ends
// (LF or CR LF). Lines longer than `maxLineChars` are cut and at most
// `maxLines` lines are read, so a damaged file cannot take unbounded memory.
// The path is a Windows path, or a host path beginning with "/". False when
// the file cannot be opened.
bool ReadDataLines(std::string_view path, std::size_t maxLineChars, std::size_t maxLines,
                   std::vector<std::string>* lines);

// A whole decimal integer: optional sign, digits, nothing else; at most nine
// digits so that later arithmetic cannot overflow.
bool ParseWholeInteger(std::string_view text, int* value);

}  // namespace tavine
