// The built-in diphone synthesizer: joins recorded diphones from a voice
// database into speech.
#pragma once

#include <string>
#include <string_view>

// FIXME: only the settings the speech core hands over and the letters
// folder are kept so far; the synthesizer itself (database, index, the
// diphones) comes later, and until then SpeakPhonemes says nothing.

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

// Opens the voice database and loads the translator's rules: 0 when ready,
// 1 or 2 when the synthesizer cannot start.
int SynthInit();
void SynthDone();
// Plays a phoneme string and returns when it has been heard or a key
// stopped it.
void SpeakPhonemes(std::string_view phonemes, bool punctuationAsRecording);
// The folder of the letter and number-word recordings, ending in "\".
const std::string& SynthLettersFolder();
