// The engine's front end as a whole: from text to MBROLA lines, and each of
// its stages as printable text for the `tavine-text` tool, the golden files
// of the tests and the throughput benchmark.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Loads the five data files "portug.nrl", "portug.exc", "portug.abr",
// "portug.pro" and "portug.dfn" from a folder (a host path or a Windows
// path), in the engine's order. On failure `failure` names what failed.
bool LoadFrontEndData(std::string_view folder, std::string* failure);

// Text to MBROLA lines: normalisation, tokens, pitch patterns, phonemes,
// durations and pitch targets.
std::vector<std::string> TextToMbrolaLines(std::string_view text, double pitchFactor,
                                           double durationFactor);

enum class FrontEndStage { kNormalize, kStress, kTokens, kPhonemes, kLines };
// One input line through the stage: the normalised text (one item), the
// stress position of each blank-separated word (one item of numbers), the
// classified tokens, the phoneme list, or the MBROLA lines.
std::vector<std::string> RunFrontEndStage(FrontEndStage stage, std::string_view line);

// The phoneme names a word is transcribed to (marks and pauses left out).
std::vector<std::string> WordPhonemeNames(std::string_view word);
// True for the phoneme names of the voice "br4".
bool IsVoicePhoneme(std::string_view name);

// Golden files: one case a line, the input and then each output item, each
// after a tab. Backslash, tab, line feed and carriage return are written
// "\\", "\t", "\n", "\r", and a blank that ends a field "\s", so that no
// editor can change a case by trimming it.
std::string GoldenLine(std::string_view input, const std::vector<std::string>& items);
void ParseGoldenLine(std::string_view line, std::string* input, std::vector<std::string>* items);
