#include "mbrola_tts/front_end.h"

#include <array>

#include "mbrola_tts/letter_to_sound.h"
#include "mbrola_tts/letters.h"
#include "mbrola_tts/normalize.h"
#include "mbrola_tts/prosody.h"
#include "mbrola_tts/stress.h"

namespace {

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '/' && path.back() != '\\') {
    path += path.front() == '/' ? '/' : '\\';
  }
  return path + std::string(name);
}

std::string EscapeField(std::string_view field) {
  std::size_t trailing = 0;
  while (trailing < field.size() && field[field.size() - 1 - trailing] == ' ') ++trailing;
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const char c = field[i];
    if (i >= field.size() - trailing) {
      out += "\\s";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

std::string UnescapeField(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      out += field[i];
      continue;
    }
    switch (field[++i]) {
      case 't': out += '\t'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 's': out += ' '; break;
      default: out += field[i]; break;
    }
  }
  return out;
}

}  // namespace

bool LoadFrontEndData(std::string_view folder, std::string* failure) {
  if (!LoadRulesAndExceptions(JoinPath(folder, "portug.nrl"), JoinPath(folder, "portug.exc"))) {
    *failure = "rules or exceptions (portug.nrl, portug.exc)";
    return false;
  }
  if (!LoadAbbreviations(JoinPath(folder, "portug.abr"))) {
    *failure = "abbreviations (portug.abr)";
    return false;
  }
  if (!LoadProsody(JoinPath(folder, "portug.pro")) ||
      !LoadDiphoneList(JoinPath(folder, "portug.dfn"))) {
    *failure = "prosody or diphone list (portug.pro, portug.dfn)";
    return false;
  }
  return true;
}

std::vector<std::string> TextToMbrolaLines(std::string_view text, double pitchFactor,
                                           double durationFactor) {
  const std::vector<std::string> patterns = AssignPatterns(BuildTokenList(NormalizeText(text)));
  return ComputeProsody(BuildPhonemeList(patterns), pitchFactor, durationFactor);
}

std::vector<std::string> RunFrontEndStage(FrontEndStage stage, std::string_view line) {
  switch (stage) {
    case FrontEndStage::kNormalize:
      return {NormalizeText(line)};
    case FrontEndStage::kStress: {
      std::string numbers;
      std::size_t i = 0;
      while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ') ++i;
        if (i == start) break;
        const std::string word = tavine::UpperCaseText(line.substr(start, i - start));
        const int position = IsUnstressedWord(word) ? 0 : StressPosition(word);
        if (!numbers.empty()) numbers += ' ';
        numbers += std::to_string(position);
      }
      return {numbers};
    }
    case FrontEndStage::kTokens:
      return AssignPatterns(BuildTokenList(NormalizeText(line)));
    case FrontEndStage::kPhonemes:
      return BuildPhonemeList(AssignPatterns(BuildTokenList(NormalizeText(line))));
    case FrontEndStage::kLines:
      return TextToMbrolaLines(line, 1.0, 1.0);
  }
  return {};
}

std::vector<std::string> WordPhonemeNames(std::string_view word) {
  PhonemeList list;
  const std::string respelled = ApplyExceptions(tavine::UpperCaseText(word));
  TranscribeWord(respelled, IsUnstressedWord(respelled) ? 0 : StressPosition(respelled), &list);
  std::vector<std::string> names;
  for (std::string item : list) {
    while (!item.empty() && (item.front() == '>' || item.front() == '\xA8')) item.erase(0, 1);
    if (item.empty() || item.front() == '_') continue;
    names.push_back(item);
  }
  return names;
}

bool IsVoicePhoneme(std::string_view name) {
  static constexpr std::array<std::string_view, 39> kNames = {
      "_", "a", "@", "b", "d", "e", "ee", "f", "g", "i", "j", "k", "l", "lh",
      "m", "m2", "n", "nh", "o", "oo", "p", "r", "r2", "rr", "s", "s2", "t", "u",
      "v", "x", "z", "h", "an", "en", "in", "on", "un", "w", "y"};
  for (std::string_view known : kNames) {
    if (known == name) return true;
  }
  return false;
}

std::string GoldenLine(std::string_view input, const std::vector<std::string>& items) {
  std::string out = EscapeField(input);
  for (const std::string& item : items) {
    out += '\t';
    out += EscapeField(item);
  }
  return out;
}

void ParseGoldenLine(std::string_view line, std::string* input, std::vector<std::string>* items) {
  items->clear();
  std::size_t from = 0;
  bool first = true;
  while (true) {
    const std::size_t tab = line.find('\t', from);
    const std::string field =
        UnescapeField(line.substr(from, tab == std::string_view::npos ? std::string_view::npos
                                                                      : tab - from));
    if (first) {
      *input = field;
      first = false;
    } else {
      items->push_back(field);
    }
    if (tab == std::string_view::npos) break;
    from = tab + 1;
  }
}
