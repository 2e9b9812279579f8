#include "synth/translator.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "platform/paths.h"

namespace {

constexpr char kGrave = '`';
constexpr char kDiaeresis = '"';
constexpr char kUnmapped = '\x01';

constexpr std::size_t kMaxContextChars = 5;
constexpr std::size_t kMaxMatchChars = 5;
constexpr std::size_t kMaxOutputChars = 11;
constexpr std::size_t kMaxExceptionLine = 255;
constexpr std::size_t kMaxExceptions = 15000;
// One rule list for each first match character from the blank to "_".
constexpr int kFirstRuleChar = 32;
constexpr int kLastRuleChar = 95;
constexpr std::size_t kRuleLists = kLastRuleChar - kFirstRuleChar + 1;

struct Rule {
  std::string left;
  std::string match;
  std::string right;
  std::string output;
};

struct Exception {
  std::string key;
  std::string replacement;
};

struct TranslatorState {
  std::array<std::vector<Rule>, kRuleLists> rules;
  std::vector<Exception> exceptions;
};
TranslatorState translator;

// The word being translated, W[1..n] in the text's terms; positions
// outside 1..n hold no character.
struct WordBuffer {
  std::string chars;
  int vowels = 0;
  bool accented = false;

  int size() const { return static_cast<int>(chars.size()); }
  bool Has(int position) const { return position >= 1 && position <= size(); }
  // The character at a 1-based position, or 0 outside the word.
  char At(int position) const { return Has(position) ? chars[position - 1] : '\0'; }
};

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsVowel(char c) {
  switch (c) {
    case 'a': case 'e': case 'i': case 'o': case 'u':
    case 'A': case 'E': case 'I': case 'O': case 'U':
      return true;
    default:
      return false;
  }
}
bool IsConsonant(char c) { return IsAsciiLetter(c) && !IsVowel(c); }
bool IsMark(char c) { return c == kDiaeresis || c == '\'' || c == '^' || c == kGrave || c == '~'; }
bool IsPause(char c) {
  return c == ' ' || c == '!' || c == ',' || c == '.' || c == ':' || c == ';' || c == '?';
}
bool IsFrontVowel(char c) { return c == 'e' || c == 'i' || c == 'E' || c == 'I'; }
bool IsOpenBackVowel(char c) { return c == 'a' || c == 'o' || c == 'A' || c == 'O'; }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The working-alphabet form of each character from 128 to 255. Characters
// without one are empty and become the unmapped word.
const std::array<const char*, 128>& HighCharacterTable() {
  static const std::array<const char*, 128> table = [] {
    std::array<const char*, 128> t{};
    t.fill("");
    const auto set = [&t](const char* piece, std::initializer_list<int> codes) {
      for (int code : codes) t[static_cast<std::size_t>(code - 128)] = piece;
    };
    set("a'", {0x86, 0x8F, 0xA0, 0xC1, 0xE1});
    set("a`", {0x85, 0xC0, 0xE0});
    set("a^", {0x83, 0xC2, 0xE2});
    set("a~", {0x84, 0x8E, 0xC3, 0xC4, 0xE3, 0xE4});
    set("a", {0xC5, 0xE5});
    set("ae", {0x91, 0xC6, 0xE6});
    set("ss", {0x80, 0x87, 0xC7, 0xE7});
    set("e'", {0x82, 0x90, 0xC9, 0xE9});
    set("e`", {0x8A, 0xC8, 0xE8});
    set("e^", {0x88, 0xCA, 0xEA});
    set("e\"", {0x89, 0xCB, 0xEB});
    set("i'", {0xA1, 0xCD, 0xED});
    set("i`", {0x8D, 0xCC, 0xEC});
    set("i^", {0x8C, 0xCE, 0xEE});
    set("i\"", {0x8B, 0xCF, 0xEF});
    set("nh", {0xA4, 0xA5, 0xD1, 0xF1});
    set("o'", {0xA2, 0xD3, 0xF3});
    set("o`", {0x95, 0xD2, 0xD6, 0xF2, 0xF6});
    set("o^", {0x93, 0xD4, 0xF4});
    set("o~", {0x94, 0x99, 0xD5, 0xF5});
    set("u'", {0xA3, 0xDA, 0xFA});
    set("u`", {0x97, 0xD9, 0xF9});
    set("u^", {0x96, 0xDB, 0xFB});
    set("u\"", {0x81, 0x9A});
    set("u", {0xDC, 0xFC});
    set("y-", {0x98});
    set("x", {0xD7, 0xF7});
    set("0", {0xD8, 0xF8});
    set("-", {0x92});
    set("?", {0xA8, 0xBF});
    set("!", {0xAD});
    set("\"", {0xAE, 0xAF});
    set("\xA7", {0xA7});
    set("\xAA", {0xAB});
    set("\xBA", {0xBB});
    return t;
  }();
  return table;
}

// Finds the next word from `p` (0-based) of the working text, as the read
// gives it: letters lower-cased with their marks, or one other character.
bool NextWord(const std::string& s, std::size_t& p, WordBuffer& word) {
  while (p < s.size() && s[p] == ' ') ++p;
  if (p >= s.size()) return false;
  word = WordBuffer{};
  char c = Lower(s[p]);
  if (!IsAsciiLetter(c)) {
    word.chars.push_back(c);
    ++p;
    return true;
  }
  // A word of more than kMaxWordChars stops there; the rest of its letters
  // are read as the next word, so nothing is lost and nothing overflows.
  while ((IsAsciiLetter(c) || IsMark(c)) && word.chars.size() < kMaxWordChars) {
    word.chars.push_back(c);
    if (IsVowel(c)) ++word.vowels;
    ++p;
    if (p >= s.size()) break;
    c = Lower(s[p]);
    if (c == '\'' || c == '^' || c == kGrave || c == '~') word.accented = true;
  }
  return true;
}

const Exception* FindException(const std::string& key) {
  const auto& table = translator.exceptions;
  const auto found = std::lower_bound(
      table.begin(), table.end(), key,
      [](const Exception& entry, const std::string& k) { return entry.key < k; });
  if (found == table.end() || found->key != key) return nullptr;
  return &*found;
}

// Replaces the word from the exceptions, trying it again without each
// final s or m in turn; the stripped letters go back after the result.
void LookupException(WordBuffer& word) {
  std::string w = word.chars;
  std::string suffix;
  while (true) {
    if (const Exception* entry = FindException(w)) {
      w = entry->replacement;
      break;
    }
    if (w.empty() || (w.back() != 's' && w.back() != 'm')) break;
    suffix.insert(suffix.begin(), w.back());
    w.pop_back();
    if (w.empty()) break;
  }
  word.chars = w + suffix;
}

// Upper-cases the stressed vowel by the Portuguese stress procedure: a
// scan from the end of the word through a small state machine.
void MarkStress(WordBuffer& word) {
  const int n = word.size();
  if (word.accented || word.vowels == 0) return;
  if (word.vowels == 1 && word.At(n) != 'l') return;
  const auto upperAt = [&word](int position) {
    if (word.Has(position)) word.chars[position - 1] = Upper(word.chars[position - 1]);
  };
  const auto uAfterGQ = [&word](int k) {
    const char before = word.At(k - 1);
    return word.At(k) == 'u' && (before == 'g' || before == 'q');
  };
  int state = 0;
  for (int k = n; k >= 1; --k) {
    const char c = word.At(k);
    switch (state) {
      case 0:
        if (c == 'a' || c == 'e' || c == 'o') state = 5;
        else if (c == 'i' || c == 'u') state = 3;
        else if (c == 'l' || c == 'n' || c == 'r' || c == 'x' || c == 'z') state = 1;
        else if (c == 'm') state = 2;
        else if (c == 's') state = 4;
        break;
      case 1:
        if (IsVowel(c)) state = 6;
        break;
      case 2:
        if (c == 'a' || c == 'e') state = 5;
        else if (c == 'i' || c == 'u') state = 3;
        else if (c == 'o') state = 6;
        break;
      case 3:
        state = IsConsonant(c) || uAfterGQ(k) ? 7 : 6;
        break;
      case 4:
        if (c == 'a' || c == 'e' || c == 'o') state = 5;
        else if (c == 'i' || c == 'u') state = 3;
        break;
      case 5:
        if (c == 'a' || c == 'e' || c == 'o') state = 6;
        else if (c == 'i' || c == 'u') state = 8;
        break;
      case 6:
        upperAt(k + 1);
        return;
      case 7:
        upperAt(k + 2);
        return;
      case 8: {
        if (IsConsonant(c) || uAfterGQ(k)) {
          state = 7;
          break;
        }
        const char c2 = word.At(k + 2);
        const char c3 = word.At(k + 3);
        const bool liquidOrNasal = c2 == 'l' || c2 == 'm' || c2 == 'n' || c2 == 'r' || c2 == 'z';
        const bool closedSyllable = (c2 == 'n' && c3 == 'h') || (c2 == 'r' && c3 == 'r') ||
                                    (IsConsonant(c3) && c3 != 'h');
        state = liquidOrNasal && closedSyllable ? 7 : 6;
        break;
      }
      default:
        break;
    }
  }
}

bool IsSpellOnly(const WordBuffer& word) {
  if (!word.chars.empty() && word.chars[0] == kUnmapped) return true;
  return std::all_of(word.chars.begin(), word.chars.end(),
                     [](char c) { return IsConsonant(c) || IsPause(c); });
}

void SpellWord(const WordBuffer& word, std::string& out) {
  for (char c : word.chars) {
    out += "[ /_";
    out += c;
    out += ']';
  }
}

bool MatchLeft(const WordBuffer& w, const std::string& context, int q) {
  const int n = w.size();
  for (auto it = context.rbegin(); it != context.rend(); ++it) {
    const char symbol = *it;
    const char c = w.At(q);
    switch (symbol) {
      case '#':
        if (!w.Has(q) || !(IsVowel(c) || IsMark(c))) return false;
        while (w.Has(q) && (IsVowel(w.At(q)) || IsMark(w.At(q)))) --q;
        break;
      case '%':
        if (q != 0 && q != n + 1) return false;
        break;
      case ']':
        if (!w.Has(q)) return false;
        if (IsOpenBackVowel(c)) {
          q -= 1;
        } else if (IsMark(c) && IsOpenBackVowel(w.At(q - 1))) {
          q -= 2;
        } else {
          return false;
        }
        break;
      case '_':
        if (q == 0) break;
        if (IsVowel(c)) {
          q -= 1;
        } else if (IsMark(c) && IsVowel(w.At(q - 1))) {
          q -= 2;
        } else {
          return false;
        }
        break;
      case '|':
        if (q < 1 || !(c == 'n' || c == 'r' || c == 's')) return false;
        q -= 1;
        break;
      default:
        if (q < 1 || Upper(c) != symbol) return false;
        q -= 1;
        break;
    }
  }
  return true;
}

bool MatchRight(const WordBuffer& w, const std::string& context, int q) {
  const int n = w.size();
  for (char symbol : context) {
    const char c = w.At(q);
    switch (symbol) {
      case '#':
        if (!w.Has(q) || !(IsVowel(c) || IsMark(c))) return false;
        while (w.Has(q) && (IsVowel(w.At(q)) || IsMark(w.At(q)))) ++q;
        break;
      case '%':
        if (q != 0 && q != n + 1) return false;
        break;
      case '&':
        if (q > n || !(c == 'l' || c == 'm' || c == 'n' || c == 'r' || c == 'z')) return false;
        q += 1;
        break;
      case '*':
        if (!w.Has(q) || !IsConsonant(c) || c == 'r' || c == 'l') return false;
        break;
      case '+':
        if (!w.Has(q) || !IsFrontVowel(c)) return false;
        q += IsMark(w.At(q + 1)) ? 2 : 1;
        break;
      case '[':
        if (q != n + 1 && !(w.Has(q) && IsConsonant(c) && c != 'h')) return false;
        break;
      case '\\':
        if (q <= n && c == 's') q += 1;
        break;
      default:
        if (q > n || q < 1 || Upper(c) != symbol) return false;
        q += 1;
        break;
    }
  }
  return true;
}

bool MatchRule(const WordBuffer& w, const Rule& rule, int p) {
  const int length = static_cast<int>(rule.match.size());
  for (int i = 0; i < length; ++i) {
    if (!w.Has(p + i) || Upper(w.At(p + i)) != rule.match[static_cast<std::size_t>(i)]) {
      return false;
    }
  }
  return MatchLeft(w, rule.left, p - 1) && MatchRight(w, rule.right, p + length);
}

void ApplyRules(const WordBuffer& w, std::string& out) {
  out += '[';
  const int n = w.size();
  int p = 1;
  while (p <= n) {
    const char c = Upper(w.At(p));
    std::string piece = " /_";
    piece += c;
    int step = 1;
    const int code = static_cast<unsigned char>(c);
    if (code >= kFirstRuleChar && code <= kLastRuleChar) {
      for (const Rule& rule : translator.rules[static_cast<std::size_t>(code - kFirstRuleChar)]) {
        if (MatchRule(w, rule, p)) {
          piece = rule.output;
          step = static_cast<int>(rule.match.size());
          break;
        }
      }
    }
    const char original = w.At(p);
    if (IsVowel(original) && original == Upper(original)) {
      const auto vowel = std::find_if(piece.begin(), piece.end(), IsVowel);
      if (vowel != piece.end()) *vowel = Upper(*vowel);
    }
    out += piece;
    p += step;
    if (p <= n) out += '/';
  }
  out += ']';
}

// Opens a file given by a Windows path; null when it cannot be opened.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenFile(std::string_view path) {
  const std::optional<std::string> host = platform::HostPath(path);
  if (!host) return nullptr;
  return File(std::fopen(host->c_str(), "rb"));
}

// Reads one line without its line end (LF or CR LF); false at the end of
// the file. Lines of any length are read whole and cut by the caller.
bool ReadLine(std::FILE* file, std::string& line) {
  line.clear();
  int c = 0;
  bool any = false;
  while ((c = std::fgetc(file)) != EOF) {
    any = true;
    if (c == '\n') break;
    line.push_back(static_cast<char>(c));
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return any;
}

// The text from `from` up to the delimiter (or the end), advancing past
// the delimiter; at the end of the line every later field is empty.
std::string Field(const std::string& line, std::size_t& from, char delimiter) {
  if (from >= line.size()) {
    from = line.size();
    return {};
  }
  std::size_t end = line.find(delimiter, from);
  std::string field;
  if (end == std::string::npos) {
    field = line.substr(from);
    from = line.size();
  } else {
    field = line.substr(from, end - from);
    from = end + 1;
  }
  return field;
}

}  // namespace

void TranslatorStart() { translator = TranslatorState{}; }

bool LoadRules(std::string_view path) {
  TranslatorStart();
  File file = OpenFile(path);
  if (!file) return false;
  std::string line;
  while (ReadLine(file.get(), line)) {
    std::size_t at = 0;
    Rule rule;
    rule.left = Field(line, at, '(').substr(0, kMaxContextChars);
    rule.match = Field(line, at, ')').substr(0, kMaxMatchChars);
    rule.right = Field(line, at, '=').substr(0, kMaxContextChars);
    rule.output = Field(line, at, '|').substr(0, kMaxOutputChars);
    // A line without a match text, or whose first match character has no
    // list, can never be tried; it is left out.
    if (rule.match.empty()) continue;
    const int first = static_cast<unsigned char>(rule.match[0]);
    if (first < kFirstRuleChar || first > kLastRuleChar) continue;
    translator.rules[static_cast<std::size_t>(first - kFirstRuleChar)].push_back(std::move(rule));
  }
  return true;
}

bool LoadExceptions(std::string_view path) {
  translator.exceptions.clear();
  File file = OpenFile(path);
  if (!file) return false;
  std::string line;
  while (translator.exceptions.size() < kMaxExceptions && ReadLine(file.get(), line)) {
    if (line.size() > kMaxExceptionLine) line.resize(kMaxExceptionLine);
    if (line.empty()) continue;
    Exception entry;
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
      // A line without "=" gets a key no word can equal.
      entry.key = line + "|";
    } else {
      entry.key = line.substr(0, equals);
      const std::size_t bar = line.find('|', equals + 1);
      entry.replacement = line.substr(
          equals + 1, bar == std::string::npos ? std::string::npos : bar - equals - 1);
    }
    translator.exceptions.push_back(std::move(entry));
  }
  std::stable_sort(translator.exceptions.begin(), translator.exceptions.end(),
                   [](const Exception& a, const Exception& b) { return a.key < b.key; });
  return true;
}

void FreeRules() {
  for (auto& list : translator.rules) {
    list.clear();
    list.shrink_to_fit();
  }
}

std::size_t RuleCount() {
  std::size_t count = 0;
  for (const auto& list : translator.rules) count += list.size();
  return count;
}
std::size_t ExceptionCount() { return translator.exceptions.size(); }

std::string Preprocess(std::string_view text) {
  std::string s(text);
  const std::size_t length = s.size();
  const auto letterAt = [&s, length](std::size_t i) { return i < length && IsAsciiLetter(s[i]); };
  std::string out;
  out.reserve(length * 2);
  for (std::size_t i = 0; i < length; ++i) {
    const bool letterBefore = i > 0 && letterAt(i - 1);
    const bool letterAfter = letterAt(i + 1);
    std::string piece;
    const char c = s[i];
    if ((c == 'W' || c == 'w') && (letterBefore || letterAfter)) {
      s[i] = 'u';
      piece = "u";
    } else if ((c == 'Y' || c == 'y') && (letterBefore || letterAfter)) {
      s[i] = 'i';
      piece = "i";
    } else if ((c == 'Y' || c == 'y') && (i == 0 || s[i - 1] == ' ') &&
               (i + 1 == length || s[i + 1] == ' ')) {
      piece = "i";
    } else if (c == '\'' && i > 0 && (s[i - 1] == 'D' || s[i - 1] == 'd')) {
      continue;
    } else {
      const auto code = static_cast<unsigned char>(c);
      if (code < 32) {
        piece.clear();
      } else if (code >= 128) {
        piece = HighCharacterTable()[code - 128];
      } else {
        piece = std::string(1, c);
      }
    }
    if (piece.empty()) piece = std::string(" ") + kUnmapped + " ";
    out += piece;
  }
  return out;
}

std::string TranslateToPhonemes(std::string_view words) {
  std::string result;
  const std::string s = Preprocess(words);
  std::size_t p = 0;
  WordBuffer word;
  while (NextWord(s, p, word)) {
    LookupException(word);
    MarkStress(word);
    if (IsSpellOnly(word)) {
      SpellWord(word, result);
    } else {
      ApplyRules(word, result);
    }
  }
  return result;
}
