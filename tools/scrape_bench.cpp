// Prints how long the two scrapers take over pages of 50 MB holding a
// million markers or more (a million team entries; about 350 000 match
// blocks of ten searched markers each), and over pages of the same size built to make naive
// cutting slow (markers whose fields run to the end of the page). Each
// scrape runs three times; the figures of every run are printed.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/league_table.h"
#include "app/round_info.h"

namespace {

constexpr std::size_t kTargetBytes = 50u << 20;
constexpr int kMarkers = 1000000;

std::string PadTo(std::string page, char filler) {
  if (page.size() < kTargetBytes) page.append(kTargetBytes - page.size(), filler);
  return page;
}

std::string TablePage() {
  std::string page = "<html><ol>";
  page.reserve(kTargetBytes + 64);
  for (int i = 0; i < kMarkers; ++i) {
    page += "class=\"time\"name\">Gr\xC3\xAAmio ";
    page += std::to_string(i % 1000);
    page += "<\"\">";
    page += std::to_string(i % 99);
    page += "</li>";
  }
  return PadTo(page, ' ');
}

std::string RoundPage() {
  std::string page = "<html>";
  page.reserve(kTargetBytes + 64);
  // Blocks until the page is 50 MB: each holds ten of the markers searched.
  while (page.size() + 160 < kTargetBytes) {
    page += "placar-jogo-informacoes>Qua 1/3<class placar-jogo-informacoes>S\xC3\xA3o</span> 9h"
            "<content=\"Ca\">src=mandante\">2</span><span visitante\">1</span><content=\"Fo\">";
  }
  return PadTo(page, ' ');
}

// Markers only, each field running to the far end of the page.
std::string StretchedTablePage() {
  std::string page;
  for (int i = 0; i < kMarkers; ++i) page += "class=\"time\"name\">";
  return PadTo(page, 'x') + "<";
}

std::string StretchedRoundPage() {
  std::string page;
  for (int i = 0; i < kMarkers; ++i) page += "placar-jogo-informacoes>";
  return PadTo(page, ' ') + ">x<";
}

template <typename Scrape>
void Measure(const char* what, const std::string& page, Scrape scrape) {
  for (int run = 0; run < 3; ++run) {
    std::vector<std::string> lines;
    const auto start = std::chrono::steady_clock::now();
    scrape(page, lines);
    const auto end = std::chrono::steady_clock::now();
    std::size_t bytes = 0;
    for (const std::string& line : lines) bytes += line.size();
    std::printf("%-32s %5.1f MB in  %8zu lines  %5.1f MB out  %7.1f ms\n", what,
                static_cast<double>(page.size()) / 1e6, lines.size(),
                static_cast<double>(bytes) / 1e6,
                std::chrono::duration<double, std::milli>(end - start).count());
    if (run == 2 && !lines.empty()) {
      std::printf("  first line: %.70s\n", lines.front().c_str());
    }
  }
}

}  // namespace

int main() {
  const auto table = [](const std::string& page, std::vector<std::string>& lines) {
    ScrapeLeagueTable(1, page, lines);
  };
  const auto serieC = [](const std::string& page, std::vector<std::string>& lines) {
    ScrapeLeagueTable(3, page, lines);
  };
  const auto round = [](const std::string& page, std::vector<std::string>& lines) {
    ScrapeRoundInfo(page, lines);
  };
  Measure("league table", TablePage(), table);
  Measure("league table, Serie C split", TablePage(), serieC);
  Measure("league table, stretched fields", StretchedTablePage(), table);
  Measure("round information", RoundPage(), round);
  Measure("round information, stretched", StretchedRoundPage(), round);
  return 0;
}
