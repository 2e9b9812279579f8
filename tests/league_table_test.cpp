// The league-table scraper on pages made here: request bytes, the team
// loop's numbering and cuts, the Série C groups and the accent repairs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/league_table.h"
#include "app/scrape_text.h"

namespace {

std::string Entry(const std::string& name, const std::string& points) {
  return "<li class=\"time\"><span class=\"name\">" + name +
         "</span><span class=\"pontos\">" + points + "</span></li>\n";
}

std::vector<std::string> Scrape(int series, const std::string& page) {
  std::vector<std::string> lines;
  ScrapeLeagueTable(series, page, lines);
  return lines;
}

TEST(LeagueTableTest, RequestBytesPerSeries) {
  EXPECT_EQ(LeagueTableRequest(1, "tabela.example:8080"),
            "GET /futebol/brasileirao-serie-a/classificacao HTTP/1.1\r\n"
            "Host: tabela.example:8080\r\n"
            "User-Agent: navril 5.3d\r\n"
            "Accept-Language: pt-br\r\n"
            "UA-CPU: X86\r\n"
            "Accept: */*\r\n");
  EXPECT_EQ(LeagueTableRequest(2, "h").substr(0, 55),
            "GET /futebol/brasileirao-serie-b/classificacao HTTP/1.1");
  EXPECT_EQ(LeagueTableRequest(3, "h").substr(0, 55),
            "GET /futebol/brasileirao-serie-c/classificacao HTTP/1.1");
}

// The position is the entry's order in the page, whatever the page says,
// and the name and points are cut at the markers.
TEST(LeagueTableTest, TeamLoopNumbersEntriesInPageOrder) {
  const std::string page = "<ol>" + Entry("Palmeiras", "45") + "<li>nada</li>" +
                           Entry("Gr\xC3\xAAmio", "40") + Entry("S\xC3\xA3o Paulo-SP", "7") + "</ol>";
  EXPECT_EQ(Scrape(1, page), (std::vector<std::string>{
                                 "Palmeiras 1\xBA colocado 45 pontos",
                                 "Gr\xEAmio 2\xBA colocado 40 pontos",
                                 "S\xE3o Paulo-SP 3\xBA colocado 7 pontos",
                             }));
}

// The exact cutting rules: a missing `name">` starts the name at the sixth
// character after the marker's first; a missing "<" after it leaves the
// name empty; the points are counted from the position of the first "<".
TEST(LeagueTableTest, TeamLoopCutsByTheMarkersPositions) {
  struct Case {
    const char* what;
    std::string page;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"no entries", "<html><li>x</li></html>", {}},
      {"no name marker: from the 6th character",
       "class=\"time\"ABCD<b>\">9</li>",
       {"\"time\"ABCD 1\xBA colocado 9 pontos"}},
      {"no </li>: points counted from the start of the text",
       "<li class=\"time\"><i name\">Bahia</i>",
       {"Bahia 1\xBA colocado <i name\">Ba pontos"}},
      {"nothing after the marker", "class=\"time\"", {" 1\xBA colocado  pontos"}},
      {"points that are not digits",
       "<li class=\"time\"><i name\">Ceara</i><b \"x\">-</b></li>",
       {"Ceara 1\xBA colocado - pontos"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Scrape(2, c.page), c.lines) << c.what;
  }
}

TEST(LeagueTableTest, SerieCGivesBothGroupsEachNumberedFromOne) {
  const std::string page = Entry("Antes", "1") + "<h2>Grupo A</h2>" + Entry("Remo", "10") +
                           Entry("Ypiranga", "9") + "<h2>Grupo B</h2>" + Entry("Brasil-RS", "12") +
                           Entry("Figueirense", "8");
  EXPECT_EQ(Scrape(3, page), (std::vector<std::string>{
                                 "Grupo A",
                                 "Remo 1\xBA colocado 10 pontos",
                                 "Ypiranga 2\xBA colocado 9 pontos",
                                 "Grupo B",
                                 "Brasil-RS 1\xBA colocado 12 pontos",
                                 "Figueirense 2\xBA colocado 8 pontos",
                             }));
}

TEST(LeagueTableTest, SerieCWithoutGrupoBPutsEveryTeamUnderGrupoB) {
  const std::string page = "Grupo A" + Entry("Remo", "10") + Entry("Ypiranga", "9");
  EXPECT_EQ(Scrape(3, page), (std::vector<std::string>{
                                 "Grupo A",
                                 "Grupo B",
                                 "Remo 1\xBA colocado 10 pontos",
                                 "Ypiranga 2\xBA colocado 9 pontos",
                             }));
  EXPECT_EQ(Scrape(3, ""), (std::vector<std::string>{"Grupo A", "Grupo B"}));
}

TEST(LeagueTableTest, RepairAccentsTable) {
  const std::pair<unsigned char, unsigned char> rows[] = {
      {0xA1, 0xE1}, {0xA3, 0xE3}, {0xA0, 0xE0}, {0xA2, 0xE2}, {0xA9, 0xE9}, {0xA8, 0xE8},
      {0xAA, 0xEA}, {0xAD, 0xED}, {0xAC, 0xEC}, {0xAE, 0xEE}, {0xB3, 0xF3}, {0xB5, 0xF5},
      {0xB2, 0xF2}, {0xB4, 0xF4}, {0xBA, 0xFA}, {0xB9, 0xF9}, {0xBB, 0xFB}, {0x81, 0xC1},
      {0x87, 0xE7}, {0xA7, 0xE7}, {0x83, 0xC3}, {0x80, 0xC0}, {0x82, 0xC2}, {0x89, 0xC9},
      {0x88, 0xC8}, {0x8A, 0xCA}, {0x8D, 0xCD}, {0x8C, 0xCC}, {0x8E, 0xCE}, {0x93, 0xD3},
      {0x95, 0xD5}, {0x92, 0xD2}, {0x94, 0xD4}, {0x9A, 0xDA}, {0x99, 0xD9}, {0x9B, 0xDB},
      {0x9C, 0xDC}, {0xBC, 0xFC},
  };
  for (const auto& [second, replacement] : rows) {
    const std::string utf8 = {'a', '\xC3', static_cast<char>(second), 'z'};
    EXPECT_EQ(RepairAccents(utf8), std::string({'a', static_cast<char>(replacement), 'z'}))
        << std::hex << int(second);
  }
}

TEST(LeagueTableTest, RepairAccentsEdges) {
  struct Case {
    const char* what;
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"three of one pair", "S\xC3\xA3o Jo\xC3\xA3o e S\xC3\xA3o", "S\xE3o Jo\xE3o e S\xE3o"},
      {"unknown second byte stays", "\xC3\xBF\xC3\xA9", "\xC3\xBF\xE9"},
      {"lone lead at the end stays", "fim\xC3", "fim\xC3"},
      {"Ú and Ü keep their own rows", "\xC3\x9A\xC3\x9C", "\xDA\xDC"},
      // The capital A tilde gives 0xC3, which the later rows then pair with
      // the next byte, as the rows made one after another do.
      {"A tilde then a later row", "\xC3\x83\x80", "\xC0"},
      {"A tilde then an earlier row", "\xC3\x83\xA1", "\xC3\xA1"},
      {"A tilde twice", "\xC3\x83\x83", "\xC3\x83"},
      {"letters a to z untouched", "Abc xyz", "Abc xyz"},
  };
  for (const Case& c : cases) EXPECT_EQ(RepairAccents(c.in), c.out) << c.what;
}

// A page far beyond any real one keeps its lines whole and in order, and a
// field stretched over the page is cut to its bound.
TEST(LeagueTableTest, StretchedFieldsAreBounded) {
  const std::string page = "class=\"time\"name\">" + std::string(100000, 'N') + "<";
  const std::vector<std::string> lines = Scrape(1, page);
  ASSERT_EQ(lines.size(), 1u);
  const std::string field(kMaxFieldBytes, 'N');
  EXPECT_EQ(lines[0], field + " 1\xBA colocado " + field + " pontos");
}

}  // namespace
