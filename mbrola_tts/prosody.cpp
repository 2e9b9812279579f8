#include "mbrola_tts/prosody.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "console/text_output.h"
#include "mbrola_tts/letters.h"
#include "platform/cp1252.h"

namespace {

// Table sizes of the prosody file; entries past them are ignored, which
// bounds the memory a damaged file can take.
constexpr std::size_t kMaxDurations = 100;
constexpr std::size_t kMaxKeywords = 1000;
constexpr std::size_t kMaxPatterns = 300;
constexpr std::size_t kMaxProsodyLines = 20000;
constexpr std::size_t kMaxDiphones = 100000;
constexpr std::size_t kMaxLineChars = 1024;

constexpr int kDefaultDuration = 100;
constexpr int kDefaultBasePitch = 230;
constexpr int kStressLengthening = 145;
constexpr char kDefaultPattern[] = "555";
// Durations and frequencies are kept within what MBROLA can take whatever
// the factors are.
constexpr double kMaxLineValue = 100000.0;

constexpr char kStressMark = '>';
constexpr char kMarker = static_cast<char>(0xA8);  // ¨

struct DurationEntry {
  std::string name;  // at most 2 characters, case kept
  int milliseconds = kDefaultDuration;
};

struct KeywordEntry {
  std::string word;    // capitals
  std::string klass;   // two characters, capitals
};

struct PatternEntry {
  std::string previous;  // empty means any
  std::string own;
  std::string next;
  std::string value;     // three characters
};

struct ProsodyState {
  std::vector<DurationEntry> durations;
  std::vector<KeywordEntry> keywords;  // sorted by word
  std::vector<PatternEntry> patterns;
  int basePitch = kDefaultBasePitch;
  // Percentages of the base pitch for the pattern digits 0-9. A load does
  // not reset them: a file that has no "TABHERTZ=" keeps the earlier ones.
  std::array<int, 10> pitchTable{};
  std::vector<std::string> diphones;  // "a-b" in small letters, sorted
  // The last phoneme name of the previous text; every text ends with a pause.
  std::string currentName = "_";
  ProsodyMessageSink sink = nullptr;
};
ProsodyState prosodyState;

std::string W(std::string_view utf8) { return platform::Utf8ToCp1252(utf8); }

void Say(const std::string& message) {
  if (prosodyState.sink != nullptr) {
    prosodyState.sink(message);
  } else {
    WriteLine(message);
  }
}

// Index of the line after the section header, or npos when the file has none.
std::size_t SectionStart(const std::vector<std::string>& lines, std::string_view header) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (tavine::TrimBlanks(lines[i]) == header) return i + 1;
  }
  return std::string::npos;
}

// The lines of a section that hold entries: up to the next line beginning
// with "[", without empty lines and comments ("*" or ";").
std::vector<std::string_view> SectionLines(const std::vector<std::string>& lines,
                                           std::size_t start) {
  std::vector<std::string_view> out;
  for (std::size_t i = start; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (!line.empty() && line.front() == '[') break;
    if (tavine::TrimBlanks(line).empty()) continue;
    if (line.front() == '*' || line.front() == ';') continue;
    out.push_back(line);
  }
  return out;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

bool ReadDurations(const std::vector<std::string>& lines) {
  const std::size_t start = SectionStart(lines, W("[DURAÇÃO]"));
  if (start == std::string::npos) {
    Say(W("Duração dos difones errada ou ausente"));
    return false;
  }
  for (const std::string_view line : SectionLines(lines, start)) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      Say(W("Configuração da prosódia: fonema errado: ") + std::string(line));
      return false;
    }
    DurationEntry entry;
    entry.name = std::string(tavine::TrimBlanks(line.substr(0, equals)).substr(0, 2));
    int value = 0;
    // Negative durations are as wrong as words: MBROLA cannot take them.
    if (tavine::ParseWholeInteger(tavine::TrimBlanks(line.substr(equals + 1)), &value) &&
        value >= 0) {
      entry.milliseconds = value;
    } else {
      Say(W("Configuração da prosódia: fonema errado: ") + std::string(line));
    }
    if (prosodyState.durations.size() < kMaxDurations) {
      prosodyState.durations.push_back(std::move(entry));
    }
  }
  return true;
}

// Of several entries for one word, the first in the file is found.
void SortKeywords() {
  std::stable_sort(prosodyState.keywords.begin(), prosodyState.keywords.end(),
                   [](const KeywordEntry& a, const KeywordEntry& b) { return a.word < b.word; });
}

bool ReadKeywords(const std::vector<std::string>& lines) {
  const std::size_t start = SectionStart(lines, W("[CHAVES]"));
  if (start == std::string::npos) {
    Say(W("Prosódia: palavras chaves ausentes"));
    return false;
  }
  for (const std::string_view line : SectionLines(lines, start)) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      Say(W("Configuração da prosódia: chave errada: ") + std::string(line));
      SortKeywords();
      return false;
    }
    KeywordEntry entry;
    entry.word = tavine::UpperCaseText(tavine::TrimBlanks(line.substr(0, equals)));
    entry.klass = tavine::UpperCaseText(tavine::TrimBlanks(line.substr(equals + 1)).substr(0, 2));
    if (entry.klass.empty()) entry.klass = "XX";
    // Token texts start after a class of exactly two characters; a shorter
    // class would cut the word, so it is reported and taken as "XX".
    if (entry.klass.size() != 2) {
      Say(W("Configuração da prosódia: chave errada: ") + std::string(line));
      entry.klass = "XX";
    }
    if (prosodyState.keywords.size() < kMaxKeywords) {
      prosodyState.keywords.push_back(std::move(entry));
    }
  }
  SortKeywords();
  return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool ReadPitchTable(std::string_view values, std::array<int, 10>* table) {
  std::array<int, 10> read{};
  std::size_t from = 0;
  for (std::size_t digit = 0; digit < read.size(); ++digit) {
    if (from > values.size()) return false;
    std::size_t comma = values.find(',', from);
    if (comma == std::string_view::npos) comma = values.size();
    int value = 0;
    if (!tavine::ParseWholeInteger(tavine::TrimBlanks(values.substr(from, comma - from)), &value) ||
        value < 0) {
      return false;
    }
    read[digit] = value;
    from = comma + 1;
  }
  *table = read;
  return true;
}

bool ReadPatterns(const std::vector<std::string>& lines) {
  const std::size_t start = SectionStart(lines, W("[PROSÓDIA]"));
  if (start == std::string::npos) {
    Say(W("Prosódia: especificações ausentes"));
    return false;
  }
  const std::string wrong = W("Configuração da prosódia: chave errada: ");
  for (const std::string_view original : SectionLines(lines, start)) {
    const std::string line = tavine::UpperCaseText(original);
    if (StartsWith(line, "HERTZ=")) {
      int hertz = 0;
      // A pitch that is not a positive whole number fails the file.
      if (!tavine::ParseWholeInteger(tavine::TrimBlanks(std::string_view(line).substr(6)), &hertz) ||
          hertz <= 0) {
        Say(wrong + std::string(original));
        return false;
      }
      prosodyState.basePitch = hertz;
      continue;
    }
    if (StartsWith(line, "TABHERTZ=")) {
      if (!ReadPitchTable(std::string_view(line).substr(9), &prosodyState.pitchTable)) {
        Say(wrong + std::string(original));
        return false;
      }
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
      Say(wrong + std::string(original));
      return false;
    }
    PatternEntry entry;
    entry.value = std::string(tavine::TrimBlanks(std::string_view(line).substr(equals + 1)));
    // Items of the classified token list are the pattern, "|" and the token:
    // a value of another length would shift every token.
    if (entry.value.size() != 3) {
      Say(wrong + std::string(original));
      return false;
    }
    const std::string_view keys = tavine::TrimBlanks(std::string_view(line).substr(0, equals));
    std::array<std::string*, 3> fields = {&entry.previous, &entry.own, &entry.next};
    std::size_t from = 0;
    for (std::string* field : fields) {
      if (from > keys.size()) break;
      std::size_t bar = keys.find('|', from);
      if (bar == std::string_view::npos) bar = keys.size();
      *field = std::string(tavine::TrimBlanks(keys.substr(from, bar - from)).substr(0, 3));
      from = bar + 1;
    }
    if (prosodyState.patterns.size() < kMaxPatterns) {
      prosodyState.patterns.push_back(std::move(entry));
    }
  }
  return true;
}

bool PatternMatches(const std::string& pattern, std::string_view klass) {
  return pattern.empty() || pattern == klass;
}

std::string ClassOf(std::string_view item) {
  return item.size() >= 3 ? std::string(item.substr(1, 2)) : std::string();
}

int Truncated(double value) {
  if (!(value > 0.0)) return 0;
  return static_cast<int>(std::min(value, kMaxLineValue));
}

}  // namespace

void TavineProsodyStart() {
  const ProsodyMessageSink sink = prosodyState.sink;
  prosodyState = ProsodyState{};
  prosodyState.sink = sink;
}
void TavineProsodyEnd() { TavineProsodyStart(); }

void SetProsodyMessageSink(ProsodyMessageSink sink) { prosodyState.sink = sink; }

bool LoadProsody(std::string_view path) {
  prosodyState.durations.clear();
  prosodyState.keywords.clear();
  prosodyState.patterns.clear();
  prosodyState.basePitch = kDefaultBasePitch;
  std::vector<std::string> lines;
  if (!tavine::ReadDataLines(path, kMaxLineChars, kMaxProsodyLines, &lines)) {
    Say(W("Configuração da prosódia não foi achada"));
    return false;
  }
  return ReadDurations(lines) && ReadKeywords(lines) && ReadPatterns(lines);
}

bool LoadDiphoneList(std::string_view path) {
  std::vector<std::string> lines;
  if (!tavine::ReadDataLines(path, kMaxLineChars, kMaxDiphones * 2, &lines)) return false;
  const auto isNameChar = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '@' || c == '_' || c == '2';
  };
  std::vector<std::string> diphones;
  for (const std::string& raw : lines) {
    if (diphones.size() >= kMaxDiphones) break;
    const std::string_view line = tavine::TrimBlanks(raw);
    if (line.empty() || line.front() == '!' || line.front() == '*' || line.front() == ';') continue;
    std::size_t i = 0;
    while (i < line.size() && isNameChar(line[i])) ++i;
    const std::string_view first = line.substr(0, i);
    ++i;  // the separator after the first name
    while (i < line.size() && !isNameChar(line[i])) ++i;
    const std::size_t second = std::min(i, line.size());
    while (i < line.size() && isNameChar(line[i])) ++i;
    diphones.push_back(Lower(first) + "-" + Lower(line.substr(second, i - second)));
  }
  std::sort(diphones.begin(), diphones.end());
  prosodyState.diphones = std::move(diphones);
  return true;
}

void FreeDiphoneList() {
  prosodyState.diphones.clear();
  prosodyState.diphones.shrink_to_fit();
}

std::size_t TavineDiphoneCount() { return prosodyState.diphones.size(); }

bool TavineHasDiphone(std::string_view first, std::string_view second) {
  const std::string key = Lower(first) + "-" + Lower(second);
  return std::binary_search(prosodyState.diphones.begin(), prosodyState.diphones.end(), key);
}

std::string KeywordClass(std::string_view word) {
  const std::string key = tavine::UpperCaseText(word);
  const auto& table = prosodyState.keywords;
  const auto found = std::lower_bound(
      table.begin(), table.end(), key,
      [](const KeywordEntry& entry, const std::string& k) { return entry.word < k; });
  if (found != table.end() && found->word == key) return found->klass;
  return {};
}

int DurationOf(std::string_view phoneme) {
  if (phoneme.size() > 2) return kDefaultDuration;
  for (const DurationEntry& entry : prosodyState.durations) {
    if (entry.name == phoneme) return entry.milliseconds;
  }
  return kDefaultDuration;
}

int TavineBasePitch() { return prosodyState.basePitch; }

std::vector<std::string> BuildTokenList(std::string_view text) {
  std::vector<std::string> tokens = {"[--]"};
  std::size_t i = 0;
  while (true) {
    while (i < text.size() && text[i] == ' ') ++i;
    if (i >= text.size()) break;
    std::string klass;
    std::string token;
    if (text[i] == '.' && i + 1 < text.size() && text[i + 1] == '.') {
      while (i < text.size() && text[i] == '.') ++i;
      klass = ".-";
      token = ".";
    } else if (!tavine::IsTextLetter(text[i])) {
      klass = std::string(2, text[i]);
      token = std::string(1, text[i]);
      ++i;
    } else {
      const std::size_t start = i;
      while (i < text.size() && tavine::IsTextLetter(text[i])) ++i;
      token = std::string(text.substr(start, i - start));
      klass = KeywordClass(token);
      if (klass.empty()) klass = "XX";
    }
    tokens.push_back("[" + klass + "]" + token);
    // The end of a sentence is also the end of a phrase.
    if (token == "!" || token == "." || token == "?") tokens.push_back("[--]");
  }
  return tokens;
}

std::vector<std::string> AssignPatterns(const std::vector<std::string>& tokens) {
  std::vector<std::string> out;
  out.reserve(tokens.size());
  std::string previousPattern;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const std::string previous = i > 0 ? ClassOf(tokens[i - 1]) : std::string();
    const std::string own = ClassOf(tokens[i]);
    const std::string next = i + 1 < tokens.size() ? ClassOf(tokens[i + 1]) : std::string();
    std::string pattern = kDefaultPattern;
    for (const PatternEntry& entry : prosodyState.patterns) {
      if (PatternMatches(entry.previous, previous) && PatternMatches(entry.own, own) &&
          PatternMatches(entry.next, next)) {
        pattern = entry.value;
        break;
      }
    }
    // "?" carries on from where the previous token's pitch ended.
    if (!pattern.empty() && pattern.front() == '?') {
      pattern.front() = i == 0 ? '5' : previousPattern[2];
    }
    out.push_back(pattern + "|" + (tokens[i].size() > 4 ? tokens[i].substr(4) : std::string()));
    previousPattern = pattern;
  }
  return out;
}

std::vector<std::string> ComputeProsody(const PhonemeList& phonemes, double pitchFactor,
                                        double durationFactor) {
  std::vector<std::string> lines;
  int lengthening = 100;
  std::string pattern = kDefaultPattern;
  int stressState = 0;  // 0 before the stress, 1 after the first target, 2 stressed, 3 after
  std::size_t wordLength = 0;
  std::string previousName = "_";
  std::string& currentName = prosodyState.currentName;

  for (std::size_t index = 0; index < phonemes.size(); ++index) {
    const std::string& item = phonemes[index];
    const bool lastOfWord = index + 1 == phonemes.size() || phonemes[index + 1].empty();
    if (item.empty()) {
      lengthening = 100;
      currentName.clear();
      lines.emplace_back();
      continue;
    }
    if (item.size() >= 5 && item[0] == ';' && item[4] == '|') {
      pattern = item.substr(1, 3);
      lines.push_back(";" + item.substr(5));
      wordLength = lines.back().size();
      stressState = 0;
      continue;
    }

    std::string name = item;
    if (name.front() == kStressMark) {
      lengthening = kStressLengthening;
      name.erase(0, 1);
      if (!name.empty() && name.front() == kMarker) name.erase(0, 1);
      stressState = 2;
    } else if (name.front() == kMarker) {
      name.erase(0, 1);
      lengthening = 100;
    }
    // A mark without a phoneme is no phoneme: it gets no line.
    if (name.empty()) continue;

    int base = kDefaultDuration;
    if (name.front() == '_') {
      if (name.size() >= 2 && name[1] == ' ') {
        int value = 0;
        if (tavine::ParseWholeInteger(tavine::TrimBlanks(std::string_view(name).substr(2)), &value)) {
          base = value;
        }
      } else if (name != "_") {
        base = DurationOf(name);
      }
      name = "_";
    } else {
      base = DurationOf(name);
      if (stressState < 2) {
        if (wordLength > 13) {
          base = base * 80 / 100;
        } else if (wordLength > 9) {
          base = base * 90 / 100;
        }
      }
    }
    currentName = name;
    const int duration =
        Truncated(static_cast<double>(base) * lengthening * durationFactor) / 100;
    std::string line = name + " " + std::to_string(duration);

    char digit = 0;
    int position = 0;
    if (stressState == 0) {
      digit = pattern[0];
      position = 50;
      stressState = 1;
    } else if (stressState == 2) {
      digit = pattern[1];
      position = 80;
      stressState = 3;
    } else if (stressState == 3 && lastOfWord) {
      digit = pattern[2];
      position = 50;
    }
    if (digit >= '0' && digit <= '9') {
      const int percent = prosodyState.pitchTable[static_cast<std::size_t>(digit - '0')];
      if (percent != 0) {
        const int hertz =
            Truncated(static_cast<double>(percent) * pitchFactor * prosodyState.basePitch) / 100;
        line += " " + std::to_string(position) + " " + std::to_string(hertz);
      }
    }

    // Where the voice lacks the diphone between the last phoneme and this
    // one, a short glide or pause bridges the gap.
    if (!TavineHasDiphone(previousName, currentName)) {
      if (previousName == "r2" && TavineHasDiphone("r2", "_")) {
        lines.emplace_back("_ 50");
      } else if (TavineHasDiphone(previousName, "y")) {
        lines.emplace_back("y 50");
      } else {
        lines.emplace_back("_ 50");
      }
    }
    previousName = currentName;
    lines.push_back(std::move(line));
  }
  return lines;
}
