#include "app/league_table.h"

#include <algorithm>

#include "app/messages.h"
#include "app/scrape_text.h"
#include "net/page_fetch.h"
#include "speech/settings.h"

namespace {

// The public site that publishes the tables; reached over TLS, because it
// answers plain HTTP with a redirect.
constexpr char kDefaultLeagueTableSite[] = "https://ge.globo.com";

constexpr std::string_view kSeriesPaths[] = {
    "/futebol/brasileirao-serie-a/classificacao",
    "/futebol/brasileirao-serie-b/classificacao",
    "/futebol/brasileirao-serie-c/classificacao",
};

constexpr std::string_view kTeamMarker = "class=\"time\"";
constexpr std::string_view kNameMarker = "name\">";
constexpr char kOrdinalMark[] = "\xBA colocado";

// TeamLoop within what is left of a scrape's byte allowance.
void TeamLoopWithin(std::string_view text, std::vector<std::string>& lines,
                    std::size_t& allowance) {
  constexpr std::size_t npos = std::string_view::npos;
  PageSearch team{kTeamMarker}, name{kNameMarker}, nameEnd{"<"}, itemEnd{"</li>"};
  PageSearch pointsOpen{">"}, pointsClose{"<"};
  std::size_t start = 0;  // the current text is text[start, end)
  int n = 0;
  for (;;) {
    const std::size_t marker = FindFrom(text, team, start);
    if (marker == npos) break;
    ++n;
    // Deleting through the marker's first character leaves the rest of it,
    // so the next search finds the next team.
    start = marker + 1;

    // The name runs from six characters after the first `name">` (the
    // sixth character of the text when there is none) to the next "<".
    const std::size_t namePos = FindFrom(text, name, start);
    const std::size_t nameBegin = std::min(namePos == npos ? start + 5 : namePos + 6, text.size());
    const std::size_t nameCut = FindFrom(text, nameEnd, nameBegin);
    std::string line;
    line.reserve(48);
    if (nameCut != npos) AppendPageField(line, text, nameBegin, nameCut);
    line += ' ';
    line += std::to_string(n);
    line += kOrdinalMark;

    // Back from the first "</li>" to the double quote before it, and delete
    // the text through that quote.
    const std::size_t item = FindFrom(text, itemEnd, start);
    if (item != npos) {
      std::size_t i = item - start + 1;  // 1-based in the current text
      while (i > 0 && text[start + i - 1] != '"') --i;
      start += i;
    }

    // The points: after the first ">", as many characters as the position
    // of the first "<" minus 2.
    const std::size_t open = FindFrom(text, pointsOpen, start);
    const std::size_t close = FindFrom(text, pointsClose, start);
    const std::size_t openPos = open == npos ? 0 : open - start + 1;
    const long count = close == npos ? -2 : static_cast<long>(close - start + 1) - 2;
    line += ' ';
    if (count > 0) {
      const std::size_t begin = start + openPos;
      AppendPageField(line, text, begin, begin + static_cast<std::size_t>(count));
    }
    line += " pontos";

    RepairAccentsInPlace(line);
    if (line.size() > allowance) break;
    allowance -= line.size();
    lines.push_back(std::move(line));
  }
}

}  // namespace

std::string LeagueTableSite() {
  std::string site = ReadSetting("LIGAFALA", "SITETABELA");
  return site.empty() ? kDefaultLeagueTableSite : site;
}

std::string LeagueTableRequest(int series, std::string_view hostHeader) {
  const std::string_view path = kSeriesPaths[std::clamp(series, 1, 3) - 1];
  std::string request = "GET ";
  request += path;
  request += " HTTP/1.1\r\nHost: ";
  request += hostHeader;
  request +=
      "\r\nUser-Agent: navril 5.3d\r\nAccept-Language: pt-br\r\nUA-CPU: X86\r\nAccept: */*\r\n";
  return request;
}

void TeamLoop(std::string_view text, std::vector<std::string>& lines) {
  std::size_t allowance = kMaxScrapedBytes;
  TeamLoopWithin(text, lines, allowance);
}

void ScrapeLeagueTable(int series, std::string_view page, std::vector<std::string>& lines) {
  std::size_t allowance = kMaxScrapedBytes;
  if (series != 3) {
    TeamLoopWithin(page, lines, allowance);
    return;
  }
  // Série C is published in two groups; each keeps its own numbering.
  const std::size_t groupAAt = page.find("Grupo A");
  if (groupAAt != std::string_view::npos) page.remove_prefix(groupAAt + 1);
  const std::size_t groupBAt = page.find("Grupo B");
  std::string_view groupA;
  if (groupBAt != std::string_view::npos) {
    groupA = page.substr(0, groupBAt + 1);
    page.remove_prefix(groupBAt + 1);
  }
  lines.push_back("Grupo A");
  TeamLoopWithin(groupA, lines, allowance);
  lines.push_back("Grupo B");
  TeamLoopWithin(page, lines, allowance);
}

bool FetchLeagueTable(int series, std::vector<std::string>& lines) {
  const std::string site = LeagueTableSite();
  std::string page;
  if (!FetchPage(site, LeagueTableRequest(series, ParseSite(site).hostHeader), page)) {
    SayMessage("LFTABERR", 1);
    return false;
  }
  ScrapeLeagueTable(series, page, lines);
  return true;
}
