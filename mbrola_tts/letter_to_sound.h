// Letter-to-sound: the words of a classified token list become MBROLA
// phoneme names through whole-word respellings (the exceptions file) and
// context-sensitive rules (the rules file); the stressed letter's phoneme
// carries the mark ">", punctuation becomes pauses, and a word-final "r2" or
// "s2" is linked to a next word that begins with a vowel.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The phoneme list of one text: word comments (";" + pattern + "|" + token),
// phoneme names (perhaps led by ">" and/or the marker "¨"), pauses ("__",
// "_," ...) and empty word-end items.
using PhonemeList = std::vector<std::string>;

// Module start: empties both tables. Tests call it to start afresh.
void TavineLetterToSoundStart();
void TavineLetterToSoundEnd();

// Both files; the exceptions file is read only when the rules file was.
bool LoadRulesAndExceptions(std::string_view rulesPath, std::string_view exceptionsPath);
bool LoadRuleTable(std::string_view path);
bool LoadExceptionTable(std::string_view path);
void FreeRuleTable();
std::size_t TavineRuleCount();
std::size_t TavineExceptionCount();

// The word (in capitals), respelled when the exceptions say so; a plural "S"
// or verbal "M" ending is taken off to find the entry and put back after it.
std::string ApplyExceptions(std::string_view word);

// Appends the word's phoneme items and its word-end item. A stress position
// below 1 places no mark.
void TranscribeWord(std::string_view word, int stressPosition, PhonemeList* list);
// Appends the pause for a punctuation character, if it has one.
void PausePhoneme(char punctuation, PhonemeList* list);

// `classifiedTokens` holds items "ppp|token" (three-character pitch pattern).
PhonemeList BuildPhonemeList(const std::vector<std::string>& classifiedTokens);
// Rewrites a word-final "r2" to "r" and "s2" to "z" before a word that
// begins with a vowel sound.
void ResolveLinking(PhonemeList* list);
