#include "platform/profile.h"

#include <cstdio>
#include <optional>

#include "platform/cp1252.h"
#include "platform/paths.h"

namespace platform {
namespace {

// A line longer than this keeps only its beginning; the rest of it is read
// and dropped. Values are used up to 255 characters, so nothing real is lost.
constexpr std::size_t kMaxLineBytes = 64 * 1024;
// Settings files are a few kilobytes. Reading stops here, so a runaway or
// wrong file cannot keep the program busy.
constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;

// Section and key names match without regard to letter case, accented
// letters included.
unsigned char FoldByte(unsigned char c) { return FoldCp1252Case(c); }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldByte(static_cast<unsigned char>(a[i])) != FoldByte(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// Reads one line without its LF (and a CR before it), keeping at most
// kMaxLineBytes of it. False at the end of the file or of the readable part.
bool ReadLine(std::FILE* file, std::string& line, std::size_t& bytesRead) {
  line.clear();
  bool any = false;
  for (int c; bytesRead < kMaxFileBytes && (c = std::getc(file)) != EOF;) {
    ++bytesRead;
    any = true;
    if (c == '\n') break;
    if (line.size() < kMaxLineBytes) line += static_cast<char>(c);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return any;
}

std::string Limit(std::string_view text, std::size_t maxChars) {
  return std::string(text.substr(0, maxChars));
}

// The host path of a settings file; a bare name lies in the Windows folder.
std::optional<std::string> SettingsFileHostPath(std::string_view file) {
  if (file.find_first_of("\\/:") == std::string_view::npos) {
    return HostPath(WindowsFolder() + "\\" + std::string(file));
  }
  return HostPath(file);
}

}  // namespace

std::string GetProfileString(std::string_view section, std::string_view key,
                             std::string_view fallback, std::size_t maxChars,
                             std::string_view file) {
  if (key.empty()) return Limit(fallback, maxChars);
  const auto hostPath = SettingsFileHostPath(file);
  if (!hostPath) return Limit(fallback, maxChars);
  std::FILE* in = std::fopen(hostPath->c_str(), "rb");
  if (in == nullptr) return Limit(fallback, maxChars);

  std::string result(fallback);
  std::string line;
  std::size_t bytesRead = 0;
  bool firstLine = true;
  bool utf8 = false;
  bool inSection = false;
  while (ReadLine(in, line, bytesRead)) {
    if (firstLine) {
      firstLine = false;
      // A file saved with a UTF-8 signature holds UTF-8 text; the program
      // works in Windows-1252.
      if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        utf8 = true;
        line.erase(0, 3);
      }
    }
    if (utf8) line = Utf8ToCp1252(line);
    const std::string_view text = Trim(line);
    if (!text.empty() && text.front() == '[') {
      const std::size_t close = text.find(']');
      if (close == std::string_view::npos) continue;
      // Only the first section of the name is searched: a key that appears
      // only in a later section of the same name is not found.
      if (inSection) break;
      inSection = SameName(Trim(text.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) continue;
    if (!SameName(Trim(text.substr(0, equals)), key)) continue;
    result = Unquote(Trim(text.substr(equals + 1)));
    break;
  }
  std::fclose(in);
  return Limit(result, maxChars);
}

}  // namespace platform
