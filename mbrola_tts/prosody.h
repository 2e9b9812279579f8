// Prosody: the rhythm and melody of the voice. Words are classed by the
// keyword section of the prosody file, every token gets a three-digit pitch
// pattern from its own class and its neighbours', and every phoneme gets its
// duration (lengthened from the stressed phoneme on, shortened before the
// stress in long words) and at most one pitch target. Where the voice lacks
// the diphone between two phonemes a short "y" or a short pause goes between
// them. The result is the list of lines in MBROLA's phoneme input format.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "mbrola_tts/letter_to_sound.h"

// Module start: empties every table, the pitch table included. Tests call it
// to start afresh.
void TavineProsodyStart();
void TavineProsodyEnd();

// Where the prosody loader's messages go. By default they are written on the
// console; tests and tools put their own receiver in (nullptr restores the
// console).
using ProsodyMessageSink = void (*)(std::string_view message);
void SetProsodyMessageSink(ProsodyMessageSink sink);

// Reads the three sections of the prosody file. False, after a message, when
// the file or a section is missing or a line is malformed.
bool LoadProsody(std::string_view path);
// Replaces the diphone list. False, silently, when the file cannot be read.
bool LoadDiphoneList(std::string_view path);
void FreeDiphoneList();
std::size_t TavineDiphoneCount();
bool TavineHasDiphone(std::string_view first, std::string_view second);

// Items "[" + class + "]" + token text; the first is "[--]".
std::vector<std::string> BuildTokenList(std::string_view normalizedText);
// Items pitch pattern + "|" + token text.
std::vector<std::string> AssignPatterns(const std::vector<std::string>& tokens);
std::string KeywordClass(std::string_view word);
int DurationOf(std::string_view phoneme);
int TavineBasePitch();

std::vector<std::string> ComputeProsody(const PhonemeList& phonemes, double pitchFactor,
                                        double durationFactor);
