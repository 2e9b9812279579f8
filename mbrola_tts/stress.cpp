#include "mbrola_tts/stress.h"

#include <cstddef>
#include <string>

#include "mbrola_tts/letters.h"

namespace {

bool IsAccentedVowel(char c) {
  switch (static_cast<unsigned char>(c)) {
    case 0xE0: case 0xE1: case 0xE2: case 0xE3:  // à á â ã
    case 0xE9: case 0xEA:                        // é ê
    case 0xED:                                   // í
    case 0xF3: case 0xF4: case 0xF5:             // ó ô õ
    case 0xFA:                                   // ú
      return true;
    default:
      return false;
  }
}

bool IsStressVowel(char c) {
  switch (c) {
    case 'a': case 'e': case 'i': case 'o': case 'u': case 'w': case 'y':
      return true;
    default:
      return static_cast<unsigned char>(c) == 0xFC;  // ü
  }
}

bool IsOneOf(char c, std::string_view set) { return set.find(c) != std::string_view::npos; }

// The states of the reading of a word from its end towards its start.
enum class StressState {
  kStart,           // reading the ending
  kFinalVowel,      // the word ends in a, e or o (or in -am, -em)
  kPenult,          // looking for the vowel of the second-last syllable
  kPenultHigh,      // an i or u of that syllable was marked
  kUBeforeFinal,    // a u right before the final vowel
  kPenultU,         // a u right before the marked i or u
  kFinalU,          // the word ends in u
  kFinalI,          // the word ends in i
  kFinalUI,         // a u right before the final i
  kFinalConsonant,  // the word ends in a consonant other than s and m
  kFinalM,          // the word ends in m
};

}  // namespace

bool IsUnstressedWord(std::string_view word) {
  if (word.size() < 3) return true;
  static constexpr std::string_view kWords[] = {"POR", "DAS", "DOS", "COM", "N\xC3O", "SIM"};
  for (std::string_view unstressed : kWords) {
    if (word == unstressed) return true;
  }
  return false;
}

int StressPosition(std::string_view original) {
  const std::string word = tavine::LowerCaseText(original);
  bool anyVowel = false;
  for (std::size_t k = word.size(); k > 0; --k) {
    if (IsAccentedVowel(word[k - 1])) return static_cast<int>(k);
    if (IsStressVowel(word[k - 1])) anyVowel = true;
  }
  if (!anyVowel) return 0;

  StressState state = StressState::kStart;
  int mark = 0;
  for (std::size_t k = word.size(); k > 0; --k) {
    const char c = word[k - 1];
    const int p = static_cast<int>(k);
    bool stop = false;
    switch (state) {
      case StressState::kStart:
        if (IsOneOf(c, "aeo")) {
          mark = p;
          state = StressState::kFinalVowel;
        } else if (c == 'u') {
          mark = p;
          state = StressState::kFinalU;
        } else if (c == 'i') {
          mark = p;
          state = StressState::kFinalI;
        } else if (c == 's') {
          // A final s is passed over.
        } else if (c == 'm') {
          state = StressState::kFinalM;
        } else {
          state = StressState::kFinalConsonant;
        }
        break;
      case StressState::kFinalVowel:
        if (c == 'u') {
          state = StressState::kUBeforeFinal;
        } else if (IsStressVowel(c)) {
          mark = p;
          stop = true;
        } else {
          state = StressState::kPenult;
        }
        break;
      case StressState::kPenult:
        if (IsOneOf(c, "aeo")) {
          mark = p;
          stop = true;
        } else if (c == 'i' || c == 'u') {
          mark = p;
          state = StressState::kPenultHigh;
        }
        break;
      case StressState::kPenultHigh:
        if (IsOneOf(c, "aeo")) {
          mark = p;
          stop = true;
        } else if (c == 'u') {
          state = StressState::kPenultU;
        } else {
          stop = true;
        }
        break;
      case StressState::kUBeforeFinal:
        if (c == 'g' || c == 'q') {
          mark = p + 2;  // the u is part of "gu"/"qu": the final vowel keeps it
          state = StressState::kPenult;
        } else {
          mark = p + 1;
          stop = true;
        }
        break;
      case StressState::kPenultU:
        mark = c == 'g' || c == 'q' ? p + 2 : p + 1;
        stop = true;
        break;
      case StressState::kFinalU:
        if (IsOneOf(c, "aeio")) mark = p;
        stop = true;
        break;
      case StressState::kFinalI:
        if (IsOneOf(c, "aeo")) {
          mark = p;
        } else if (c == 'u') {
          state = StressState::kFinalUI;
        } else {
          stop = true;
        }
        break;
      case StressState::kFinalUI:
        mark = c == 'g' || c == 'q' ? p + 2 : p + 1;
        stop = true;
        break;
      case StressState::kFinalConsonant:
        if (IsStressVowel(c)) {
          mark = p;
          stop = true;
        }
        break;
      case StressState::kFinalM:
        if (IsOneOf(c, "iou")) {
          mark = p;
          stop = true;
        } else if (c == 'a' || c == 'e') {
          mark = p;
          state = StressState::kFinalVowel;
        } else {
          state = StressState::kStart;
        }
        break;
    }
    if (stop) break;
  }
  return mark;
}
