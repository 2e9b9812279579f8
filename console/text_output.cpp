#include "console/text_output.h"

#include <algorithm>

#include "console/console.h"

namespace {

// Output passes through a buffer of this size, flushed on every write.
constexpr std::size_t kTextBufferSize = 128;

void Flush(std::string_view bytes) {
  ConsoleWrite(bytes.data(), static_cast<uint16_t>(bytes.size()));
  ConsoleKeyPressed();  // every write also pumps the window's messages
}

}  // namespace

void WriteText(std::string_view text) {
  while (!text.empty()) {
    const std::size_t chunk = std::min(text.size(), kTextBufferSize);
    Flush(text.substr(0, chunk));
    text.remove_prefix(chunk);
  }
}

void WriteLine(std::string_view text) {
  WriteText(text);
  WriteText("\r\n");
}

std::string ReadLine() {
  char buffer[kTextBufferSize];
  const int count = ConsoleReadLine(buffer, static_cast<int>(kTextBufferSize));
  // The line end the console stores after the text is not part of it.
  return std::string(buffer, static_cast<std::size_t>(std::max(0, count - 2)));
}
