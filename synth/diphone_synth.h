// The built-in diphone synthesizer: speaks the translator's phoneme strings
// by joining recorded segments from a voice database (an index file and a
// data file) and letter recordings, and owns the start and end of the
// whole built-in synthesizer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Returns the synthesizer to its start values: voice "DIFONES2", cutting
// 400, overlap 0, word gap 100, nothing open.
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
// 1 when a folder or the database is missing, 2 when the rules or the
// exceptions cannot be read.
int SynthInit();
// Releases the buffer, the rules, the data file and the index.
void SynthDone();
// Plays a phoneme string and returns when it has been heard or a key
// stopped it. With `punctuationAsRecording`, the chunks of a comma, full
// stop, semicolon or colon play the mark's recording instead of a pause.
void SpeakPhonemes(std::string_view phonemes, bool punctuationAsRecording);

// The folder of the letter and number-word recordings and the folder of
// the voice database and rule files, each ending in "\".
const std::string& SynthLettersFolder();
const std::string& SynthDiphonesFolder();

// Opens a voice database by the Windows path of its files without the
// extension; for tools that look at another database. False when either
// file cannot be opened.
bool SynthOpenDatabaseAt(std::string_view pathWithoutExtension);
std::size_t SynthIndexSize();

// One 15-byte record of the voice database's index file: the name's length
// and characters, the segment's size and its offset in the data file.
std::string VoiceIndexRecord(std::string_view name, uint32_t size, uint32_t offset);

// Where finished sound images go: PlayWaveAndWait normally; tests and
// tools put their own receiver in its place (null restores it).
using SynthOutput = void (*)(const uint8_t* image, std::size_t size);
void SynthUseOutput(SynthOutput output);
void SynthPlayImage(const uint8_t* image, std::size_t size);

// What happened to one segment request: played from the database or a
// recording, replaced by its fall-back parts, a noise burst, or nothing.
enum class SegmentOutcome { kFound, kFallBack, kNoise, kSilent };
// Told of every request, `depth` 0 for the groups a chunk is split into
// and one more for each fall-back step; `samples` is what was added.
using SegmentObserver = void (*)(std::string_view name, int depth, SegmentOutcome outcome,
                                 std::size_t samples);
void SynthObserveSegments(SegmentObserver observer);

// Size of the utterance buffer, its header included.
inline constexpr std::size_t kUtteranceBufferSize = 64000;
