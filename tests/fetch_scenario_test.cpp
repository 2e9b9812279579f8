// The real program, headless, fetching the three series' tables and rounds
// from the test server, and saying its failures before it shows the series
// menu again.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/http_test_server.h"
#include "tests/test_support.h"

namespace {

using testing_support::HttpAnswer;
using testing_support::HttpTestServer;
using testing_support::OkAnswer;
using testing_support::ReadLines;
using testing_support::RunProgram;
using testing_support::RunResult;
using testing_support::TempDir;
using testing_support::WriteFile;

std::string Team(const std::string& name, const std::string& points) {
  return "<li class=\"time\"><span class=\"name\">" + name +
         "</span><span class=\"pontos\">" + points + "</span></li>\n";
}

std::string Match(const std::string& date, const std::string& place, const std::string& home,
                  const std::string& homeGoals, const std::string& away,
                  const std::string& awayGoals) {
  return "<div class=\"placar-jogo-informacoes\">" + date +
         " <span class=\"placar-jogo-informacoes-local\"> " + place +
         " </span> 16:00</div>\n<meta itemprop=\"name\" content=\"" + home +
         "\">\n<img src=\"e.png\"><span class=\"placar-jogo-equipes-placar-mandante\">" + homeGoals +
         "</span><span class=\"placar-jogo-equipes-placar-visitante\">" + awayGoals +
         "</span>\n<meta itemprop=\"name\" content=\"" + away + "\">\n";
}

std::string Document(const std::string& body) {
  return OkAnswer("<!DOCTYPE html>\n<html lang=\"pt-br\">\n<body>\n" + body + "</body>\n</html>\n");
}

class FetchScenarioTest : public ::testing::Test {
 protected:
  // An installed program with the least its built-in synthesizer needs to
  // start: empty rules, exceptions and voice database under the empty name
  // that missing settings give. It says nothing; the trace hears it all.
  void SetUp() override {
    WriteFile(drive_ / "talmar/ligafala", "");
    std::filesystem::create_directories(drive_ / "talmar/som/letras");
    for (const char* file : {".IND", ".DIF", "regras.rgr", "portug.exc"}) {
      WriteFile(drive_ / (std::string("talmar/som/difones/") + file), "");
    }
  }

  // Runs the program with both sites set and the key script; returns the
  // texts it said, in order.
  std::vector<std::string> Run(const std::string& tableSite, const std::string& roundSite,
                               const std::string& keys) {
    WriteFile(drive_ / "windows/SONTRA.INI",
              "[LIGAFALA]\nSITETABELA=" + tableSite + "\nSITERODADA=" + roundSite + "\n");
    WriteFile(scratch_ / "keys", keys);
    const RunResult result = RunProgram({{"TALMAR_DRIVE_C", drive_.path()},
                                         {"TALMAR_KEYS", scratch_ / "keys"},
                                         {"TALMAR_AUDIO_PACE", "0"},
                                         {"TALMAR_TRACE", scratch_ / "trace"}},
                                        60000, drive_.path());
    EXPECT_EQ(result.exitStatus, 0) << result.output;
    std::vector<std::string> said;
    for (const std::string& line : ReadLines(scratch_ / "trace")) {
      const std::size_t word = line.find(' ');
      if (line.compare(word + 1, 4, "say ") == 0) said.push_back(line.substr(word + 5));
    }
    return said;
  }

  TempDir drive_, scratch_;
};

bool Contains(const std::vector<std::string>& said, const std::string& text) {
  return std::find(said.begin(), said.end(), text) != said.end();
}

// The texts said after the first `after`, as many as `count`.
std::vector<std::string> SaidAfter(const std::vector<std::string>& said, const std::string& after,
                                   std::size_t count) {
  auto at = std::find(said.begin(), said.end(), after);
  if (at == said.end()) return {};
  ++at;
  return {at, at + static_cast<long>(std::min<std::size_t>(count, said.end() - at))};
}

TEST_F(FetchScenarioTest, TablesAndRoundsOfTheThreeSeries) {
  HttpTestServer server;
  server.Serve("/futebol/brasileirao-serie-a/classificacao",
               {HttpAnswer::Mode::kCanned,
                Document("<ol>\n" + Team("Palmeiras-SP", "45") + Team("Gr\xC3\xAAmio", "40") +
                         "</ol>\n")});
  server.Serve("/futebol/brasileirao-serie-a/",
               {HttpAnswer::Mode::kCanned,
                Document(Match("Qua 12/03", "Maracan\xC3\xA3", "Flamengo", "2", "Vasco", "1") +
                         Match("Sab 15/03", "Arena", "Bahia", "", "Vit\xC3\xB3ria", ""))});
  server.Serve("/futebol/brasileirao-serie-c/classificacao",
               {HttpAnswer::Mode::kCanned,
                Document("<h2>Grupo A</h2>\n" + Team("Remo", "10") + Team("Ypiranga", "9") +
                         "<h2>Grupo B</h2>\n" + Team("Figueirense", "12"))});
  const std::vector<std::string> said =
      Run(server.Address(), server.Address(),
          "Enter\nEnter\nDown\nEsc\n"          // Série A, its table, the second team
          "Down\nEnter\nDown\nEsc\nEsc\n"      // its round, the second match
          "Down\nDown\nEnter\nEnter\n"         // Série C, its table
          "Down\nDown\nDown\nDown\nEsc\nEsc\n" // down to group B's first team
          "Esc\ntext:s\n");
  EXPECT_TRUE(Contains(said, "Palmeiras 1\xC2\xBA colocado 45 pontos"));
  EXPECT_TRUE(Contains(said, "Gr\xC3\xAAmio 2\xC2\xBA colocado 40 pontos"));
  EXPECT_TRUE(Contains(said, "Flamengo x Vasco, quarta-feira 12/03 16:00, Local: Maracan\xC3\xA3"
                             ", placar: Flamengo 2 x Vasco 1"));
  EXPECT_TRUE(Contains(said, "Bahia x Vit\xC3\xB3ria, s\xC3\xA1" "bado 15/03 16:00, Local: Arena"
                             ", partida n\xC3\xA3o realisada"));
  EXPECT_EQ(SaidAfter(said, "Grupo A", 4),
            (std::vector<std::string>{"Remo 1\xC2\xBA colocado 10 pontos",
                                      "Ypiranga 2\xC2\xBA colocado 9 pontos", "Grupo B",
                                      "Figueirense 1\xC2\xBA colocado 12 pontos"}));
  EXPECT_EQ(server.Requests().size(), 3u);
}

// A table site that answers 404 and a round site where nobody listens: each
// fetch says its two sentences and the series menu comes back.
TEST_F(FetchScenarioTest, FailedFetchesAreSaidAndTheSeriesMenuReturns) {
  HttpTestServer server;
  int closedPort = 0;
  {
    HttpTestServer gone;
    closedPort = gone.port();
  }
  const std::vector<std::string> said =
      Run(server.Address(), "127.0.0.1:" + std::to_string(closedPort),
          "Down\nEnter\nEnter\nDown\nEnter\nEsc\nEsc\ntext:s\n");
  const std::string dessetas = "D\xC3\xAAs\xC3\xA7" "a com as setas";
  EXPECT_EQ(SaidAfter(said, "Ver tabela de classifica\xC3\xA7\xC3\xA3o", 4),
            (std::vector<std::string>{"Erro no servidor, veja a mensagem ",
                                      "HTTP/1.1 404 Not Found",
                                      "Erro ao obter tabela de classifica\xC3\xA7\xC3\xA3o",
                                      dessetas}));
  const std::vector<std::string> round =
      SaidAfter(said, "Ver informa\xC3\xA7\xC3\xB5" "es da rodada", 3);
  EXPECT_EQ(round, (std::vector<std::string>{
                       "Erro ao realizar conex\xC3\xA3o",
                       "N\xC3\xA3o foi poss\xC3\xADvel obter as pr\xC3\xB3ximas rodadas", dessetas}));
}

}  // namespace
