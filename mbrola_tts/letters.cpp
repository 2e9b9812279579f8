#include "mbrola_tts/letters.h"

#include <fstream>
#include <optional>

#include "platform/paths.h"

namespace tavine {

namespace {

constexpr unsigned char kByte(char c) { return static_cast<unsigned char>(c); }

// The accented capitals of Portuguese text (À Á Â Ã Ç É Ê Ì Í Ñ Ó Ô Õ Ù Ú Ü);
// their small forms lie 32 places higher.
bool IsAccentedCapital(unsigned char b) {
  switch (b) {
    case 0xC0: case 0xC1: case 0xC2: case 0xC3: case 0xC7: case 0xC9: case 0xCA: case 0xCC:
    case 0xCD: case 0xD1: case 0xD3: case 0xD4: case 0xD5: case 0xD9: case 0xDA: case 0xDC:
      return true;
    default:
      return false;
  }
}

bool IsPlainConsonant(unsigned char b) {
  if (b >= 'a' && b <= 'z') b = static_cast<unsigned char>(b - 32);
  if (b < 'A' || b > 'Z') return false;
  return b != 'A' && b != 'E' && b != 'I' && b != 'O' && b != 'U';
}

}  // namespace

bool IsTextLetter(char c) {
  const unsigned char b = kByte(c);
  if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) return true;
  if (IsAccentedCapital(b)) return true;
  return b >= 0xE0 && IsAccentedCapital(static_cast<unsigned char>(b - 32));
}

bool IsTextConsonant(char c) {
  const unsigned char b = kByte(c);
  return IsPlainConsonant(b) || b == 0xC7 || b == 0xD1 || b == 0xE7 || b == 0xF1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char UpperCaseChar(char c) {
  const unsigned char b = kByte(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
  if (b >= 0xE0 && b != 0xF7 && b != 0xFF) return static_cast<char>(b - 32);
  if (b == 0x9A || b == 0x9C || b == 0x9E) return static_cast<char>(b - 16);
  if (b == 0xFF) return static_cast<char>(0x9F);
  return c;
}

char LowerCaseChar(char c) {
  const unsigned char b = kByte(c);
  if (b >= 'A' && b <= 'Z') return static_cast<char>(b + 32);
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<char>(b + 32);
  if (b == 0x8A || b == 0x8C || b == 0x8E) return static_cast<char>(b + 16);
  if (b == 0x9F) return static_cast<char>(0xFF);
  return c;
}

std::string UpperCaseText(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperCaseChar(c);
  return out;
}

std::string LowerCaseText(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerCaseChar(c);
  return out;
}

std::string_view TrimBlanks(std::string_view text) {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool ReadDataLines(std::string_view path, std::size_t maxLineChars, std::size_t maxLines,
                   std::vector<std::string>* lines) {
  lines->clear();
  const std::optional<std::string> host = platform::HostPath(path);
  if (!host || host->empty()) return false;
  std::ifstream in(*host, std::ios::binary);
  if (!in) return false;
  std::string line;
  bool cut = false;
  char c = 0;
  const auto finish = [&] {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines->push_back(std::move(line));
    line.clear();
    cut = false;
  };
  while (lines->size() < maxLines && in.get(c)) {
    if (c == '\n') {
      finish();
    } else if (line.size() < maxLineChars) {
      line.push_back(c);
    } else {
      cut = true;  // the rest of an over-long line is dropped
    }
  }
  if ((!line.empty() || cut) && lines->size() < maxLines) finish();
  return true;
}

bool ParseWholeInteger(std::string_view text, int* value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size() || text.size() - i > 9) return false;
  int result = 0;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return false;
    result = result * 10 + (text[i] - '0');
  }
  *value = negative ? -result : result;
  return true;
}

}  // namespace tavine
