#include "mbrola_tts/letter_to_sound.h"

#include <algorithm>
#include <array>

#include "mbrola_tts/letters.h"
#include "mbrola_tts/stress.h"

namespace {

constexpr std::size_t kContextChars = 5;
constexpr std::size_t kCentreChars = 5;
constexpr std::size_t kOutputChars = 20;
// Only this much of a rule's output is written: longer outputs are cut.
constexpr std::size_t kWrittenOutputChars = 11;
constexpr std::size_t kMaxExceptions = 15000;
constexpr std::size_t kMaxExceptionLineChars = 255;
// A real rules file has a few hundred rules; a damaged one is read no further.
constexpr std::size_t kMaxRuleLines = 50000;
constexpr std::size_t kMaxRuleLineChars = 1024;

constexpr char kStressMark = '>';
constexpr char kMarker = static_cast<char>(0xA8);  // ¨

struct Rule {
  std::string left;
  std::string centre;
  std::string right;
  std::string output;
};

struct Exception {
  std::string key;
  std::string value;
};

struct LetterToSoundState {
  // One chain per character code, holding the rules whose centre begins with
  // that character, in file order. Codes below 32 have none.
  std::array<std::vector<Rule>, 256> chains;
  std::vector<Exception> exceptions;  // sorted by key after loading
};
LetterToSoundState ltsState;

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

bool IsVowel(char c) {
  switch (Byte(tavine::UpperCaseChar(c))) {
    case 'A': case 'E': case 'I': case 'O': case 'U':
    case 0xC0: case 0xC1: case 0xC2: case 0xC3: case 0xC9: case 0xCA: case 0xCC: case 0xCD:
    case 0xD3: case 0xD4: case 0xD5: case 0xD9: case 0xDA: case 0xDC:
      return true;
    default:
      return false;
  }
}

bool IsConsonant(char c) {
  const unsigned char b = Byte(tavine::UpperCaseChar(c));
  if (b == 0xC7 || b == 0xD1) return true;  // Ç Ñ
  if (b < 'A' || b > 'Z') return false;
  return !IsVowel(static_cast<char>(b));
}

bool IsBackVowel(char c) {
  switch (Byte(tavine::UpperCaseChar(c))) {
    case 'A': case 'O': case 0xC1: case 0xC2: case 0xD3: case 0xD4:
      return true;
    default:
      return false;
  }
}

bool IsFrontVowel(char c) {
  switch (Byte(tavine::UpperCaseChar(c))) {
    case 'E': case 'I': case 0xC9: case 0xCD:
      return true;
    default:
      return false;
  }
}

bool IsOneOf(char c, std::string_view set) {
  return set.find(tavine::UpperCaseChar(c)) != std::string_view::npos;
}

// Letters are compared after raising a to z; accented letters must come in
// capitals already.
char RuleLetter(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// The left context, read from its last character backwards, from the letter
// before the centre (0-based index `at`, -1 before the word) leftwards.
bool LeftMatches(std::string_view context, std::string_view word, long at) {
  for (std::size_t k = context.size(); k > 0; --k) {
    const char symbol = context[k - 1];
    const bool have = at >= 0;
    const char letter = have ? RuleLetter(word[static_cast<std::size_t>(at)]) : '\0';
    switch (symbol) {
      case '#':
        if (!have || !IsVowel(letter)) return false;
        --at;
        break;
      case '%':
        if (have) return false;
        break;
      case '_':
        if (have) {
          if (!IsVowel(letter)) return false;
          --at;
        }
        break;
      case ']':
        if (!have || !IsBackVowel(letter)) return false;
        --at;
        break;
      case '|':
        if (!have || !IsOneOf(letter, "NRS")) return false;
        --at;
        break;
      default:
        if (!have || letter != symbol) return false;
        --at;
        break;
    }
  }
  return true;
}

// The right context, read forwards from the letter after the centre.
bool RightMatches(std::string_view context, std::string_view word, std::size_t at) {
  for (const char symbol : context) {
    const bool have = at < word.size();
    const char letter = have ? RuleLetter(word[at]) : '\0';
    switch (symbol) {
      case '#':
        if (!have || !IsVowel(letter)) return false;
        ++at;
        break;
      case '%':
        if (have) return false;
        break;
      case '&':
        if (!have || !IsOneOf(letter, "LMNRZ")) return false;
        ++at;
        break;
      case '+':
        if (!have || !IsFrontVowel(letter)) return false;
        ++at;
        break;
      case '*':
        if (!have || !IsConsonant(letter) || IsOneOf(letter, "LR")) return false;
        break;
      case '[':
        if (have && (!IsConsonant(letter) || letter == 'H')) return false;
        break;
      case '\\':
        if (have && letter == 'S') ++at;
        break;
      default:
        if (!have || letter != symbol) return false;
        ++at;
        break;
    }
  }
  return true;
}

const Rule* MatchingRule(std::string_view word, std::size_t at) {
  for (const Rule& rule : ltsState.chains[Byte(RuleLetter(word[at]))]) {
    if (rule.centre.size() > word.size() - at) continue;
    bool centre = true;
    for (std::size_t i = 0; i < rule.centre.size() && centre; ++i) {
      centre = rule.centre[i] == RuleLetter(word[at + i]);
    }
    if (!centre) continue;
    if (!LeftMatches(rule.left, word, static_cast<long>(at) - 1)) continue;
    if (!RightMatches(rule.right, word, at + rule.centre.size())) continue;
    return &rule;
  }
  return nullptr;
}

// The field from `from` up to the delimiter; the rest of the line when the
// delimiter is missing, in which case `*next` is past the end.
std::string_view Field(std::string_view line, std::size_t from, char delimiter, std::size_t* next) {
  if (from > line.size()) {
    *next = from;
    return {};
  }
  const std::size_t end = line.find(delimiter, from);
  if (end == std::string_view::npos) {
    *next = line.size() + 1;
    return line.substr(from);
  }
  *next = end + 1;
  return line.substr(from, end - from);
}

std::string Cut(std::string_view text, std::size_t chars) {
  return std::string(text.substr(0, chars));
}

bool IsWordComment(std::string_view item) {
  return item.size() >= 5 && item[0] == ';' && item[4] == '|';
}

}  // namespace

void TavineLetterToSoundStart() { ltsState = LetterToSoundState{}; }
void TavineLetterToSoundEnd() { ltsState = LetterToSoundState{}; }

bool LoadRuleTable(std::string_view path) {
  FreeRuleTable();
  std::vector<std::string> lines;
  if (!tavine::ReadDataLines(path, kMaxRuleLineChars, kMaxRuleLines, &lines)) return false;
  for (const std::string& text : lines) {
    const std::string_view line = text;
    if (!line.empty() && line.front() == ';') continue;
    std::size_t next = 0;
    Rule rule;
    rule.left = Cut(Field(line, 0, '(', &next), kContextChars);
    rule.centre = Cut(Field(line, next, ')', &next), kCentreChars);
    rule.right = Cut(Field(line, next, '=', &next), kContextChars);
    rule.output = Cut(Field(line, next, '|', &next), kOutputChars);
    // A rule without a centre (an empty line, a line without "(") would
    // apply without moving on through the word; such lines are skipped.
    if (rule.centre.empty()) continue;
    const unsigned char first = Byte(rule.centre.front());
    if (first < 32) continue;
    ltsState.chains[first].push_back(std::move(rule));
  }
  return true;
}

bool LoadExceptionTable(std::string_view path) {
  ltsState.exceptions.clear();
  std::vector<std::string> lines;
  // Empty lines do not count as entries, so more lines than entries are read.
  if (!tavine::ReadDataLines(path, kMaxExceptionLineChars, 4 * kMaxExceptions, &lines)) {
    return false;
  }
  for (const std::string& raw : lines) {
    if (ltsState.exceptions.size() >= kMaxExceptions) break;
    if (raw.empty()) continue;
    const std::string line = tavine::UpperCaseText(raw);
    Exception entry;
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
      // Such a key holds "|", which no word does: the entry never matches.
      entry.key = line + "|";
    } else {
      entry.key = line.substr(0, equals);
      const std::size_t bar = line.find('|', equals + 1);
      entry.value = line.substr(equals + 1, bar == std::string::npos ? std::string::npos
                                                                     : bar - equals - 1);
    }
    ltsState.exceptions.push_back(std::move(entry));
  }
  // Of several entries with one key, the first in the file is used.
  std::stable_sort(ltsState.exceptions.begin(), ltsState.exceptions.end(),
                   [](const Exception& a, const Exception& b) { return a.key < b.key; });
  return true;
}

bool LoadRulesAndExceptions(std::string_view rulesPath, std::string_view exceptionsPath) {
  ltsState.exceptions.clear();
  if (!LoadRuleTable(rulesPath)) return false;
  return LoadExceptionTable(exceptionsPath);
}

void FreeRuleTable() {
  for (std::vector<Rule>& chain : ltsState.chains) {
    chain.clear();
    chain.shrink_to_fit();
  }
}

std::size_t TavineRuleCount() {
  std::size_t count = 0;
  for (const std::vector<Rule>& chain : ltsState.chains) count += chain.size();
  return count;
}

std::size_t TavineExceptionCount() { return ltsState.exceptions.size(); }

std::string ApplyExceptions(std::string_view word) {
  std::string stem(word);
  std::string suffix;
  const auto& table = ltsState.exceptions;
  while (true) {
    const auto found = std::lower_bound(
        table.begin(), table.end(), stem,
        [](const Exception& entry, const std::string& key) { return entry.key < key; });
    if (found != table.end() && found->key == stem) return found->value + suffix;
    if (stem.empty() || (stem.back() != 'S' && stem.back() != 'M')) break;
    suffix.insert(suffix.begin(), stem.back());
    stem.pop_back();
    if (stem.empty()) break;
  }
  return stem + suffix;
}

void TranscribeWord(std::string_view word, int stressPosition, PhonemeList* list) {
  std::string current;
  bool marked = stressPosition < 1;
  std::size_t at = 0;
  // A stress mark whose phoneme has not been written yet (an output that
  // begins with "&" at the stressed letter) waits for the next phoneme, so
  // that a lone ">" never becomes an item.
  const auto flush = [&] {
    if (current.empty() || (current.size() == 1 && current[0] == kStressMark)) return;
    list->push_back(current);
    current.clear();
  };
  while (at < word.size()) {
    const Rule* rule = MatchingRule(word, at);
    if (rule == nullptr) {
      ++at;  // a letter without a rule is silent
      continue;
    }
    const std::string_view output = std::string_view(rule->output).substr(0, kWrittenOutputChars);
    for (const char c : output) {
      if (!marked && static_cast<int>(at) + 1 >= stressPosition) {
        current += kStressMark;
        marked = true;
      }
      if (c == '&') {
        flush();
      } else {
        current += c;
      }
    }
    if (!output.empty()) flush();
    at += rule->centre.size();
  }
  list->push_back(std::string());
}

void PausePhoneme(char punctuation, PhonemeList* list) {
  switch (punctuation) {
    case '!': case '(': case ')': case ',': case '.': case ':': case ';': case '?':
      list->push_back(std::string("_") + punctuation);
      break;
    default:
      break;
  }
}

PhonemeList BuildPhonemeList(const std::vector<std::string>& classifiedTokens) {
  PhonemeList list;
  for (const std::string& item : classifiedTokens) {
    list.push_back(";" + item);
    const std::string token = tavine::UpperCaseText(item.size() > 4 ? item.substr(4) : "");
    if (token.empty()) {
      list.push_back("__");
      list.push_back(std::string());
      continue;
    }
    if (std::string_view(" !(),.:;?").find(token.front()) != std::string_view::npos) {
      PausePhoneme(token.front(), &list);
      continue;
    }
    const std::string word = ApplyExceptions(token);
    const int stress = IsUnstressedWord(word) ? 0 : StressPosition(word);
    TranscribeWord(word, stress, &list);
  }
  list.push_back("__");
  ResolveLinking(&list);
  return list;
}

void ResolveLinking(PhonemeList* list) {
  std::size_t i = 3;
  while (i + 1 < list->size()) {
    if (!IsWordComment((*list)[i])) {
      ++i;
      continue;
    }
    std::string_view first = (*list)[i + 1];
    if (!first.empty() && (first.front() == kStressMark || first.front() == kMarker)) {
      first.remove_prefix(1);
    }
    if (!first.empty() && std::string_view("aeiouwy").find(first.front()) != std::string_view::npos) {
      std::string& last = (*list)[i - 2];
      // The marks in front of the name stay where they are.
      std::size_t name = 0;
      while (name < last.size() && (last[name] == kStressMark || last[name] == kMarker)) ++name;
      if (last.compare(name, std::string::npos, "r2") == 0) {
        last.replace(name, 2, "r");
      } else if (last.compare(name, std::string::npos, "s2") == 0) {
        last.replace(name, 2, "z");
      }
    }
    i += 2;
  }
}
