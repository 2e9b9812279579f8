#include "mbrola_tts/normalize.h"

#include <array>
#include <vector>

#include "mbrola_tts/letters.h"
#include "platform/cp1252.h"

namespace {

using tavine::IsDigit;
using tavine::IsTextConsonant;
using tavine::IsTextLetter;

// The file holds a few hundred abbreviations at most; lines past this many
// are ignored, which bounds the memory a damaged file can take.
constexpr std::size_t kMaxAbbreviations = 2000;
constexpr std::size_t kMaxAbbreviationLineChars = 1024;
// A number is read in groups of three digits up to the trillions.
constexpr int kMaxNumberDigits = 15;

struct Abbreviation {
  std::string key;  // capitals, without the final period
  std::string expansion;
};

struct NormalizeState {
  std::vector<Abbreviation> abbreviations;
};
NormalizeState normalizeState;

// The texts of this module are written here in UTF-8 for legibility and
// turned into Windows-1252 once.
std::string W(std::string_view utf8) { return platform::Utf8ToCp1252(utf8); }

template <std::size_t N>
std::array<std::string, N> Table(const std::array<const char*, N>& utf8) {
  std::array<std::string, N> out;
  for (std::size_t i = 0; i < N; ++i) out[i] = W(utf8[i]);
  return out;
}

const std::array<std::string, 95>& PrintableNames() {
  static const auto names = Table<95>({
      "espaço", "exclamação", "aspas", "sustenido", "cifrão", "porcento", "é comercial",
      "apóstrofo", "abre parênteses", "fecha parênteses", "asterisco", "mais", "vírgula",
      "traço", "ponto", "barra", "zéro", "um", "dois", "três", "quatro", "cinco", "seis",
      "séte", "oito", "nóve", "dois pontos", "ponto e vírgula", "menor que", "igual",
      "maior que", "interrogação", "arrôba", "a", "bê", " sê", " dê", "é", "éfe", "jê",
      "agá", "i", "jóta", "cá", "éle", "ême", "êne", "ó", "pê", "quê", "érre", "ésse", "tê",
      "u", "vê", "dábliu", "xis", "ípsilon", "zê", "abre colchete", "barra invertida",
      "fecha colchete", "circunflexo", "sublinhado", "crase", "a", "bê", " sê", " dê", "é",
      "éfe", "jê", "agá", "i", "jota", "cá", "éle", "ême", "ene", "ó", "pê", "quê", "érre",
      "ésse", "tê", "u", "vê", "dábliu", "xis", "ípsilon", "zê", "abre chave",
      "barra vertical", "fecha chave", "til"});
  return names;
}

// Codes 161 to 220.
const std::array<std::string, 60>& UpperNames() {
  static const auto names = Table<60>({
      "exclamação reversa", "centavos de dólar", "libras", "símbolo de moeda", "iene",
      "barra interrompida", "parágrafo", "trema", "copyright", "ordinal feminino",
      "Aspas esquerdas", "negação", "hífen", "Marca registrada", "mácron", "grau",
      "mais ou menos", "elevado ao quadrado", "elevado ao cubo", "acento agudo", "mi", "pi",
      "ponto no meio", "cedilha", "expoente um", "ordinal masculino", "aspas direitas",
      "um quarto", "um meio", "três quartos", "interrogação reversa", "A grave", "A agudo",
      "A circunflexo", "A com til", "A com trema", "A bola", "A É", "Cê cedilha", "É grave",
      "É agudo", "É circunflexo", "É com trema", "I grave", "I agudo", "I circunflexo",
      "I com trema", "Dê cortado", "N com til", "Ó grave", "Ó agudo", "Ó circunflexo",
      "Ó com til", "Ó tremado", "vezes", "Ó cortado", "U grave", "U agudo", "U circunflexo",
      "U com trema"});
  return names;
}

const std::array<std::string, 10>& Ones() {
  static const auto words = Table<10>(
      {"zero", "um", "dois", "três", "quatro", "cinco", "seis", "sete", "oito", "nove"});
  return words;
}
const std::array<std::string, 10>& Teens() {
  static const auto words = Table<10>({"dez", "onze", "doze", "treze", "quatorze", "quinze",
                                       "dezesseis", "dezessete", "dezoito", "dezenove"});
  return words;
}
// Index 0 and 1 are unused: the tens digit 1 takes the teens.
const std::array<std::string, 10>& Tens() {
  static const auto words = Table<10>({"", "", "vinte", "trinta", "quarenta", "cinqüenta",
                                       "sessenta", "setenta", "oitenta", "noventa"});
  return words;
}
const std::array<std::string, 10>& Hundreds() {
  static const auto words =
      Table<10>({"", "cento", "duzentos", "trezentos", "quatrocentos", "quinhentos",
                 "seiscentos", "setecentos", "oitocentos", "novecentos"});
  return words;
}
// Groups 1 to 4 of a 15-digit number: trillions, billions, millions, thousands.
const std::array<std::string, 4>& ScaleOne() {
  static const auto words = Table<4>({"trilhão ", "bilhão ", "milhão ", "mil "});
  return words;
}
const std::array<std::string, 4>& ScaleMany() {
  static const auto words = Table<4>({"trilhões ", "bilhões ", "milhões ", "mil "});
  return words;
}
const std::array<std::string, 10>& OrdinalOnes() {
  static const auto words = Table<10>({"", "primeiro", "segundo", "terceiro", "quarto",
                                       "quinto", "sexto", "sétimo", "oitavo", "nono"});
  return words;
}
const std::array<std::string, 10>& OrdinalTens() {
  static const auto words =
      Table<10>({"", "décimo", "vigésimo", "trigésimo", "quadragésimo", "quinquagésimo",
                 "sexagésimo", "septuagésimo", "octagésimo", "nonagésimo"});
  return words;
}
const std::array<std::string, 10>& OrdinalHundreds() {
  static const auto words =
      Table<10>({"", "centésimo", "ducentésimo", "tricentésimo", "quadrigentésimo",
                 "quingentésimo", "seiscentésimo", "septigentésimo", "octigentésimo",
                 "nongentésimo"});
  return words;
}

constexpr char kOrdinalMasculine = static_cast<char>(0xBA);  // º
constexpr char kOrdinalFeminine = static_cast<char>(0xAA);   // ª

bool IsKeptPunctuation(char c) {
  switch (c) {
    case ' ': case '!': case '(': case ')': case ',': case '.': case ':': case ';': case '?':
      return true;
    default:
      return false;
  }
}

bool IsAbbreviationKey(std::string_view word) {
  const std::string key = tavine::UpperCaseText(word);
  for (const Abbreviation& entry : normalizeState.abbreviations) {
    if (entry.key == key) return true;
  }
  return false;
}

// One group of three digits in words. `joinedInside` tells whether the group
// itself put " e " after its hundreds word (as in "cento e vinte").
std::string GroupWords(unsigned group, bool* joinedInside) {
  *joinedInside = false;
  if (group == 0) return {};
  if (group == 100) return W("cem");
  const unsigned h = group / 100;
  const unsigned t = group / 10 % 10;
  const unsigned u = group % 10;
  std::string out;
  if (h != 0) {
    out += Hundreds()[h];
    if (t != 0 || u != 0) {
      out += " e ";
      *joinedInside = true;
    }
  }
  if (t == 1) return out + Teens()[u];
  if (t != 0) {
    out += Tens()[t];
    if (u != 0) out += " e ";
  }
  if (u != 0) out += Ones()[u];
  return out;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

void TavineNormalizeStart() { normalizeState = NormalizeState{}; }
void TavineNormalizeEnd() { normalizeState = NormalizeState{}; }

bool LoadAbbreviations(std::string_view path) {
  normalizeState.abbreviations.clear();
  std::vector<std::string> lines;
  // Comment lines count against no limit of entries, so a few more lines
  // than entries are read.
  if (!tavine::ReadDataLines(path, kMaxAbbreviationLineChars, 4 * kMaxAbbreviations, &lines)) {
    return false;
  }
  for (const std::string& raw : lines) {
    if (normalizeState.abbreviations.size() >= kMaxAbbreviations) break;
    const std::string_view line = tavine::TrimBlanks(raw);
    if (line.empty() || line.front() == ';') continue;
    const std::size_t equals = line.find('=');
    Abbreviation entry;
    if (equals != std::string_view::npos) {
      entry.key = tavine::UpperCaseText(tavine::TrimBlanks(line.substr(0, equals)));
      entry.expansion = std::string(tavine::TrimBlanks(line.substr(equals + 1)));
    }
    // A line without "=" keeps its place with an empty key, which never matches.
    normalizeState.abbreviations.push_back(std::move(entry));
  }
  return true;
}

std::string AbbreviationExpansion(std::string_view word) {
  const std::string key = tavine::UpperCaseText(word);
  if (key.empty()) return {};
  for (const Abbreviation& entry : normalizeState.abbreviations) {
    if (entry.key == key) return entry.expansion;
  }
  return {};
}

std::size_t TavineAbbreviationCount() { return normalizeState.abbreviations.size(); }

std::string CharName(char character) {
  const auto code = static_cast<unsigned char>(character);
  if (code >= 32 && code <= 126) return PrintableNames()[code - 32];
  if (code >= 161 && code <= 220) return UpperNames()[code - 161];
  if (code >= 224) return CharName(static_cast<char>(code - 32));
  return {};
}

std::string CardinalWords(uint64_t value) {
  if (value == 0) return W("zero");
  std::array<unsigned, 5> groups{};
  uint64_t rest = value;
  for (int i = 4; i >= 0; --i) {
    groups[static_cast<std::size_t>(i)] = static_cast<unsigned>(rest % 1000);
    rest /= 1000;
  }
  // Values beyond 15 digits never reach here from the text; they keep their
  // lowest 15 digits.
  int lastWithWords = -1;
  for (int i = 0; i < 5; ++i) {
    if (groups[static_cast<std::size_t>(i)] != 0) lastWithWords = i;
  }
  std::string out;
  bool earlierWords = false;
  for (int i = 0; i < 5; ++i) {
    const unsigned group = groups[static_cast<std::size_t>(i)];
    if (group == 0) continue;
    bool joinedInside = false;
    std::string words = GroupWords(group, &joinedInside);
    if (i < 4) {
      words += " ";
      words += group == 1 ? ScaleOne()[static_cast<std::size_t>(i)]
                          : ScaleMany()[static_cast<std::size_t>(i)];
    }
    // "mil e cem", "dois milhões e cinco", "mil e vinte e um"; but a last
    // group with hundreds and more ("mil cento e vinte") takes no second "e".
    if (i == lastWithWords && earlierWords && !joinedInside) out += "e ";
    out += words;
    earlierWords = true;
  }
  if (StartsWith(out, "um mil") && !StartsWith(out, "um milh")) out.erase(0, 3);
  return out;
}

std::string OrdinalWords(uint64_t value, OrdinalGender gender) {
  if (value >= 2000) return CardinalWords(value);
  if (value == 0) return W("zero");
  std::vector<std::string> words;
  const auto v = static_cast<std::size_t>(value);
  if (v / 1000 == 1) words.push_back(W("milésimo"));
  if (v / 100 % 10 != 0) words.push_back(OrdinalHundreds()[v / 100 % 10]);
  if (v / 10 % 10 != 0) words.push_back(OrdinalTens()[v / 10 % 10]);
  if (v % 10 != 0) words.push_back(OrdinalOnes()[v % 10]);
  std::string out;
  for (std::string& word : words) {
    if (gender == OrdinalGender::kFeminine) word.back() = 'a';
    if (!out.empty()) out += ' ';
    out += word;
  }
  return out;
}

std::string ScanWord(std::string_view text, std::size_t* position0) {
  std::size_t i = *position0;
  const std::size_t start = i;
  bool allConsonants = true;
  while (i < text.size() && IsTextLetter(text[i])) {
    if (!IsTextConsonant(text[i])) allConsonants = false;
    ++i;
    if (i < text.size() && text[i] == '-') ++i;
  }
  *position0 = i;
  const std::string_view word = text.substr(start, i - start);
  if (!allConsonants || word.empty()) return std::string(word);
  // "Dr." stays whole so that the caller can expand it.
  if (i < text.size() && text[i] == '.' && IsAbbreviationKey(word)) return std::string(word);
  std::string spelled;
  for (char c : word) spelled += CharName(c);
  return spelled;
}

std::string NumberText(std::string_view text, std::size_t* position0) {
  std::size_t i = *position0;
  // A run of digits and dashes (a telephone number, a date) is read out
  // character by character.
  std::size_t runEnd = i;
  bool hasDash = false;
  while (runEnd < text.size() && (IsDigit(text[runEnd]) || text[runEnd] == '-')) {
    if (text[runEnd] == '-') hasDash = true;
    ++runEnd;
  }
  if (hasDash) {
    std::string out;
    for (; i < runEnd; ++i) {
      out += ' ';
      out += text[i] == '-' ? W("traço") : Ones()[static_cast<std::size_t>(text[i] - '0')];
    }
    *position0 = runEnd;
    return out;
  }

  std::string prefix;
  while (i + 1 < text.size() && text[i] == '0' && IsDigit(text[i + 1])) {
    prefix += "zero ";
    ++i;
  }

  uint64_t value = 0;
  int digits = 0;
  while (i < text.size() && digits < kMaxNumberDigits) {
    if (IsDigit(text[i])) {
      value = value * 10 + static_cast<uint64_t>(text[i] - '0');
      ++digits;
      ++i;
      continue;
    }
    // A thousands separator: exactly three digits follow, then no digit.
    if (text[i] == '.' && digits > 0 && i + 3 < text.size() && IsDigit(text[i + 1]) &&
        IsDigit(text[i + 2]) && IsDigit(text[i + 3]) &&
        (i + 4 == text.size() || !IsDigit(text[i + 4]))) {
      ++i;
      continue;
    }
    break;
  }
  *position0 = i;

  const std::string_view rest = text.substr(i);
  if (rest.empty() || rest.front() == ' ') return prefix + CardinalWords(value);
  if (rest.front() == kOrdinalMasculine || rest.front() == kOrdinalFeminine) {
    *position0 = i + 1;
    return OrdinalWords(value, rest.front() == kOrdinalMasculine ? OrdinalGender::kMasculine
                                                                 : OrdinalGender::kFeminine);
  }
  if (StartsWith(rest, "o.") || StartsWith(rest, "a.")) {
    *position0 = i + 2;
    return OrdinalWords(value, rest.front() == 'o' ? OrdinalGender::kMasculine : OrdinalGender::kFeminine);
  }
  if (StartsWith(rest, "os.") || StartsWith(rest, "as.")) {
    *position0 = i + 3;
    return OrdinalWords(value, rest.front() == 'o' ? OrdinalGender::kMasculine : OrdinalGender::kFeminine) +
           "s";
  }
  return prefix + CardinalWords(value);
}

std::string NormalizeText(std::string_view input) {
  std::string single;
  std::string_view text = input;
  if (text.size() == 1) {
    single = CharName(text.front());
    text = single;
  }
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    const std::size_t from = i == 0 ? 0 : i - 1;
    if (text.substr(from, 3) == " - ") {
      // A dash between blanks is a pause, not a minus.
      out += ',';
      ++i;
    } else if (c == '-' && i + 1 < text.size() && IsDigit(text[i + 1])) {
      out += "menos ";
      ++i;
    } else if (IsDigit(c)) {
      out += NumberText(text, &i);
      out += ' ';
      while (i + 1 < text.size() && (text[i] == ',' || text[i] == '.') && IsDigit(text[i + 1])) {
        out += text[i] == ',' ? W("vírgula ") : std::string("ponto ");
        ++i;
        out += NumberText(text, &i);
        out += ' ';
      }
    } else if (IsTextLetter(c)) {
      const std::string word = ScanWord(text, &i);
      if (i >= text.size() || text[i] != '.') {
        out += word;
      } else {
        const std::string expansion =
            i + 1 < text.size() && text[i + 1] == ' ' ? AbbreviationExpansion(word) : std::string();
        if (expansion.empty()) {
          out += word;
        } else {
          out += expansion;
          ++i;
        }
      }
    } else if (text.substr(i, 3) == "...") {
      out += "... ";
      i += 3;
    } else if (c == '.' && i + 1 < text.size() && text[i + 1] != ' ') {
      out += " ponto ";
      ++i;
    } else if (IsKeptPunctuation(c)) {
      out += c;
      ++i;
    } else if (c == '\t' || c == '\n' || c == '\r') {
      ++i;
    } else {
      out += ' ';
      out += CharName(c);
      out += ' ';
      ++i;
    }
  }
  return out;
}
