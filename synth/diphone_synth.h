// The built-in diphone synthesizer: joins recorded diphones from a voice
// database into speech.
#pragma once

#include <string>

// FIXME: only the settings the speech core hands over are kept so far; the
// synthesizer itself (database, index, SpeakPhonemes) comes later.

// Returns the synthesizer to its start values: voice "DIFONES2", cutting
// 400, overlap 0, word gap 100.
void SynthStart();

// Samples cut from the end of an unstressed segment, the least such a
// segment keeps after the cut, and the silence after every chunk not ended
// by a space.
void SynthSetCutting(int cutting, int overlap, int wordGap);
int SynthCutting();
int SynthOverlap();
int SynthWordGap();

// The voice database's name (at most 8 characters).
void SynthSetDatabaseName(const std::string& name);
const std::string& SynthDatabaseName();
