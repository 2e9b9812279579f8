// The stressed letter of a Portuguese word, found from its spelling alone: a
// written accent decides; otherwise the word's ending decides between the
// last and the second-last syllable, with "qu"/"gu" and vowel pairs handled.
#pragma once

#include <string_view>

// True for words spoken without stress: every word shorter than three
// characters, and POR, DAS, DOS, COM, NÃO, SIM (compared exactly, in capitals).
bool IsUnstressedWord(std::string_view wordInCapitals);

// Position of the stressed letter counted from 1, or 0 when the word has none.
int StressPosition(std::string_view word);
