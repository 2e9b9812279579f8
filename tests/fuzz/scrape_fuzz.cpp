// Any bytes as a fetched page, and as the bytes of a connection: the
// scrapers give bounded lines, the accent repair agrees with the repairs
// made one after another over the whole text, and the line reader returns
// every byte once, without its line ends.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/league_table.h"
#include "app/round_info.h"
#include "app/scrape_text.h"
#include "net/socket_connection.h"

namespace {

// The repairs as the rows describe them: each row replaces every
// occurrence of its pair in the result of the row before.
std::string RepairRowByRow(std::string text) {
  static const unsigned char kRows[][2] = {
      {0xA1, 0xE1}, {0xA3, 0xE3}, {0xA0, 0xE0}, {0xA2, 0xE2}, {0xA9, 0xE9}, {0xA8, 0xE8},
      {0xAA, 0xEA}, {0xAD, 0xED}, {0xAC, 0xEC}, {0xAE, 0xEE}, {0xB3, 0xF3}, {0xB5, 0xF5},
      {0xB2, 0xF2}, {0xB4, 0xF4}, {0xBA, 0xFA}, {0xB9, 0xF9}, {0xBB, 0xFB}, {0x81, 0xC1},
      {0x87, 0xE7}, {0xA7, 0xE7}, {0x83, 0xC3}, {0x80, 0xC0}, {0x82, 0xC2}, {0x89, 0xC9},
      {0x88, 0xC8}, {0x8A, 0xCA}, {0x8D, 0xCD}, {0x8C, 0xCC}, {0x8E, 0xCE}, {0x93, 0xD3},
      {0x95, 0xD5}, {0x92, 0xD2}, {0x94, 0xD4}, {0x9A, 0xDA}, {0x99, 0xD9}, {0x9B, 0xDB},
      {0x9C, 0xDC}, {0xBC, 0xFC},
  };
  for (const auto& row : kRows) {
    const std::string pair = {'\xC3', static_cast<char>(row[0])};
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = text.find(pair); at != std::string::npos; at = text.find(pair, from)) {
      out.append(text, from, at - from);
      out += static_cast<char>(row[1]);
      from = at + 2;
    }
    out.append(text, from);
    text = out;
  }
  return text;
}

void CheckLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    if (line.size() > 10 * kMaxFieldBytes) std::abort();
  }
}

void CheckLineReader(std::string_view bytes) {
  static const bool headless = [] {
    setenv("TALMAR_VIDEO", "headless", 1);
    return true;
  }();
  (void)headless;
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) return;
  if (send(ends[1], bytes.data(), bytes.size(), 0) != static_cast<long>(bytes.size())) {
    close(ends[0]);
    close(ends[1]);
    return;
  }
  close(ends[1]);
  LineReader* reader = NewLineReader(ends[0]);
  std::string joined, line;
  std::size_t lineEnds = 0;
  bool more = true;
  while (more) {
    more = ReadLine(reader, line, 1);
    if (line.find('\n') != std::string::npos) std::abort();
    joined += line;
    if (more) ++lineEnds;
  }
  FreeLineReader(reader);
  close(ends[0]);
  // Every byte but the line ends (and the CRs right before them) comes back.
  std::string expected;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n') continue;
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    expected += bytes[i];
  }
  if (joined != expected) std::abort();
  (void)lineEnds;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view page(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines;
  for (int series = 1; series <= 3; ++series) {
    lines.clear();
    ScrapeLeagueTable(series, page, lines);
    CheckLines(lines);
  }
  lines.clear();
  ScrapeRoundInfo(page, lines);
  CheckLines(lines);
  if (RepairAccents(page) != RepairRowByRow(std::string(page))) std::abort();
  if (size <= 65536) CheckLineReader(page);
  return 0;
}
