// The round-information scraper on pages made here: the request, the
// fields of a match block, the weekday words and the score forms.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/round_info.h"
#include "app/scrape_text.h"

namespace {

// One match block as the scraper's markers expect it. An empty goal text
// makes a match without a result.
std::string Match(const std::string& date, const std::string& place, const std::string& time,
                  const std::string& home, const std::string& homeGoals,
                  const std::string& away, const std::string& awayGoals) {
  return "<div class=\"placar-jogo-informacoes\">" + date +
         "<span class=\"placar-jogo-informacoes-local\"> " + place + " </span> " + time +
         "</div>\n<meta itemprop=\"name\" content=\"" + home +
         "\">\n<img src=\"escudo.png\"><span class=\"placar-jogo-equipes-placar-mandante\">" +
         homeGoals + "</span><span class=\"placar-jogo-equipes-placar-visitante\">" + awayGoals +
         "</span>\n<meta itemprop=\"name\" content=\"" + away + "\">\n";
}

std::vector<std::string> Scrape(const std::string& page) {
  std::vector<std::string> lines;
  ScrapeRoundInfo(page, lines);
  return lines;
}

TEST(RoundInfoTest, RequestBytes) {
  EXPECT_EQ(RoundInfoRequest("/futebol/brasileirao-serie-b/", "127.0.0.1:8080"),
            "GET /futebol/brasileirao-serie-b/ HTTP/1.0\r\n"
            "Host: 127.0.0.1:8080\r\n"
            "User-Agent: navril 5.3d\r\n"
            "Accept-Language: pt-br\r\n"
            "UA-CPU: X86\r\n"
            "Accept: */*\r\n");
}

TEST(RoundInfoTest, MatchLinesWithAndWithoutScore) {
  const std::string page =
      "<html><body>" +
      Match("Qua 12/03/2025 Qua ", "Maracan\xC3\xA3", "21:30", "Flamengo", "2", "Vasco", "1") +
      Match("S\xC3\xA1" "b 15/03/2025 ", "Arena", "16:00", "Gr\xC3\xAAmio", "", "Inter", "") +
      Match("Dom 16/03/2025 ", "Centen\xC3\xA1rio", "18:00", "Caxias", "0", "Juventude", "3") +
      "</body>";
  EXPECT_EQ(Scrape(page),
            (std::vector<std::string>{
                // Only the first Qua becomes the weekday; accents repaired.
                "Flamengo x Vasco, quarta-feira 12/03/2025 Qua 21:30, Local: Maracan\xE3"
                ", placar: Flamengo 2 x Vasco 1",
                // The UTF-8 form of "Sáb" is not the abbreviation "Sab".
                "Gr\xEAmio x Inter, S\xE1" "b 15/03/2025 16:00, Local: Arena"
                ", partida n\xE3o realisada",
                // The away team goes after the first lower-case x of the part,
                // which is in the home team's name.
                "Caxias x Juventude, domingo 16/03/2025 18:00, Local: Centen\xE1rio"
                ", placar: Cax Juventudeias 0 x 3",
            }));
}

// The first marker only opens the list: a page with a single occurrence
// gives no line, and a page without blocks none either.
TEST(RoundInfoTest, PagesWithoutBlocks) {
  EXPECT_TRUE(Scrape("").empty());
  EXPECT_TRUE(Scrape("<html>placar-jogo-informacoes</html>").empty());
  // Two bare markers make two blocks in which every other marker is
  // missing: the fields come out empty and the loop still moves on and ends.
  EXPECT_EQ(Scrape("placar-jogo-informacoes placar-jogo-informacoes"),
            (std::vector<std::string>(2, " x , , Local: , placar:  ")));
}

TEST(RoundInfoTest, TrimBlanksRemovesOnlyBlanks) {
  EXPECT_EQ(TrimBlanks("  a b \t "), "a b \t");
  EXPECT_EQ(TrimBlanks("    "), "");
  EXPECT_EQ(TrimBlanks(""), "");
}

}  // namespace
