#include "app/round_info.h"

#include <algorithm>

#include "app/messages.h"
#include "app/scrape_text.h"
#include "net/page_fetch.h"
#include "speech/settings.h"

namespace {

// The public site that publishes the rounds; reached over TLS, because it
// answers plain HTTP with a redirect.
constexpr char kDefaultRoundInfoSite[] = "https://ge.globo.com";

constexpr std::size_t npos = std::string_view::npos;

// Weekday abbreviations of the dates, written out; each only at its first
// occurrence, in this order.
constexpr std::pair<std::string_view, std::string_view> kWeekdays[] = {
    {"Dom", "domingo"},
    {"Seg", "segunda-feira"},
    {"Ter", "ter\xE7" "a-feira"},
    {"Qua", "quarta-feira"},
    {"Quin", "quinta-feira"},
    {"Sex", "sexta-feira"},
    {"Sab", "s\xE1" "bado"},
};

constexpr char kNotPlayed[] = ", partida n\xE3o realisada";

// Position of a search's answer counted from 1 in the current text
// (which starts at `start`), 0 when there is none.
std::size_t Pos(std::size_t found, std::size_t start) {
  return found == npos ? 0 : found - start + 1;
}

// Deletes the current text through the first character of the answer.
void Skip(std::string_view page, PageSearch& search, std::size_t& start) {
  const std::size_t found = FindFrom(page, search, start);
  if (found != npos) start = found + 1;
}

void RemoveEvery(std::string& text, std::string_view what) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t at = text.find(what); at != npos; at = text.find(what, from)) {
    out.append(text, from, at - from);
    from = at + what.size();
  }
  out.append(text, from);
  text = std::move(out);
}

void RemoveEveryChar(std::string& text, std::string_view characters) {
  std::erase_if(text, [characters](char c) { return characters.find(c) != npos; });
}

// A team name: after the first "=" two characters on, up to two characters
// before the next ">" (the quotes around the attribute's value are left out).
struct TeamSearch {
  PageSearch content{"content"};
  PageSearch equals{"="};
  PageSearch close{">"};
};
std::string CutTeam(std::string_view page, TeamSearch& search, std::size_t& start) {
  Skip(page, search.content, start);
  const std::size_t equals = Pos(FindFrom(page, search.equals, start), start);
  const std::size_t begin = std::min(start + equals + 1, page.size());
  const std::size_t close = FindFrom(page, search.close, begin);
  if (close == npos || close < begin + 2) return std::string();
  return PageField(page, begin, close - 1);
}

}  // namespace

std::string RoundInfoSite() {
  std::string site = ReadSetting("LIGAFALA", "SITERODADA");
  return site.empty() ? kDefaultRoundInfoSite : site;
}

std::string RoundInfoRequest(std::string_view path, std::string_view hostHeader) {
  std::string request = "GET ";
  request += path;
  request += " HTTP/1.0\r\nHost: ";
  request += hostHeader;
  request +=
      "\r\nUser-Agent: navril 5.3d\r\nAccept-Language: pt-br\r\nUA-CPU: X86\r\nAccept: */*\r\n";
  return request;
}

void ScrapeRoundInfo(std::string_view page, std::vector<std::string>& lines) {
  PageSearch block{"placar-jogo-informacoes"}, info{"informacoes"}, infoClose{">"};
  PageSearch dateEnd{"<"}, placeClass{"class"}, placeOpen{">"}, placeEnd{"</"};
  PageSearch timeSpan{"</span"}, timeOpen{">"}, timeEnd{"<"};
  PageSearch source{"src="}, home{"mandante"}, homeOpen{">"}, homeEnd{"</"};
  PageSearch away{"visitante"}, awayOpen{">"}, awayEnd{"<"};
  BlankSkip timeBlanks, awayBlanks;
  TeamSearch homeTeam, awayTeam;
  // The page's end never moves, so its trailing blanks are found once.
  const std::size_t trimmedEnd = page.find_last_not_of(' ') + 1;
  std::size_t allowance = kMaxScrapedBytes;

  std::size_t start = 0;
  Skip(page, block, start);
  while (FindFrom(page, block, start) != npos) {
    Skip(page, info, start);
    Skip(page, infoClose, start);
    // The date runs to the next tag.
    const std::size_t dateCut = Pos(FindFrom(page, dateEnd, start), start);
    std::string date = dateCut > 1 ? PageField(page, start, start + dateCut - 1) : std::string();

    // The place: after the ">" that follows "class", up to the next "</".
    Skip(page, placeClass, start);
    const std::size_t placeBegin =
        std::min(start + Pos(FindFrom(page, placeOpen, start), start), page.size());
    const std::size_t placeCut = FindFrom(page, placeEnd, placeBegin);
    const std::string place =
        placeCut == npos ? std::string()
                         : std::string(TrimBlanksView(page.substr(placeBegin, placeCut - placeBegin))
                                           .substr(0, kMaxFieldBytes));

    // The time follows the next span and completes the date up to its tag.
    // Without a "<" after it the date is empty.
    Skip(page, timeSpan, start);
    const std::size_t timeBegin = FirstNonBlankFrom(
        page, timeBlanks, std::min(start + Pos(FindFrom(page, timeOpen, start), start), page.size()));
    const std::size_t timeCut = FindFrom(page, timeEnd, timeBegin);
    if (timeCut == npos) {
      date.clear();
    } else {
      date += PageField(page, timeBegin, timeCut);
    }
    for (const auto& [abbreviation, word] : kWeekdays) {
      const std::size_t at = date.find(abbreviation);
      if (at != npos) date.replace(at, abbreviation.size(), word);
    }

    const std::string homeName = CutTeam(page, homeTeam, start);
    Skip(page, source, start);
    Skip(page, home, start);

    // The home goals: from the next ">" (kept) as many characters as the
    // position of the next "</" in the current text.
    const std::size_t homeOpenPos = Pos(FindFrom(page, homeOpen, start), start);
    const std::size_t scoreBegin = homeOpenPos == 0 ? start : start + homeOpenPos - 1;
    const std::size_t scoreLength = Pos(FindFrom(page, homeEnd, start), start);
    std::string score = PageField(page, scoreBegin, scoreBegin + scoreLength);
    RemoveEvery(score, "</span");
    RemoveEveryChar(score, ">");
    score += " x ";

    // The away goals follow "visitante"; the whole score is then cut to as
    // many characters as the position of the next "<" in the current text.
    Skip(page, away, start);
    const std::size_t awayOpenPos = Pos(FindFrom(page, awayOpen, start), start);
    const std::size_t awayBegin =
        FirstNonBlankFrom(page, awayBlanks, awayOpenPos == 0 ? start : start + awayOpenPos - 1);
    const std::size_t scoreCut = Pos(FindFrom(page, awayEnd, start), start);
    if (scoreCut <= score.size()) {
      score.resize(scoreCut);
    } else if (awayBegin < trimmedEnd) {
      score += PageField(page, awayBegin,
                         std::min(trimmedEnd, awayBegin + (scoreCut - score.size())));
    }
    RemoveEveryChar(score, "></sp");
    const std::size_t firstA = score.find_first_of("aA");
    if (firstA != npos) score.erase(firstA, 1);
    score = TrimBlanks(score);

    const std::string awayName = CutTeam(page, awayTeam, start);

    std::string line = homeName + " x " + awayName + ", " + date + ", Local: " + place;
    if (score.size() == 1) {
      line += kNotPlayed;
    } else {
      std::string part = ", placar: " + homeName + " " + score;
      const std::size_t x = part.find('x');
      if (x != npos) part.replace(x, 1, "x " + awayName);
      line += part;
    }
    RepairAccentsInPlace(line);
    if (line.size() > allowance) break;
    allowance -= line.size();
    lines.push_back(std::move(line));
  }
}

bool FetchRoundInfo(std::string_view path, std::vector<std::string>& lines) {
  const std::string site = RoundInfoSite();
  std::string page;
  if (!FetchPage(site, RoundInfoRequest(path, ParseSite(site).hostHeader), page)) {
    SayMessage("LFRDERR", 1);
    return false;
  }
  ScrapeRoundInfo(page, lines);
  return true;
}
