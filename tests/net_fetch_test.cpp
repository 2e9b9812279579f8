// The page fetch against the test server: the document cut out of the
// answer, and every way a server can fail, each said to the user in two
// sentences with nothing left open.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/league_table.h"
#include "app/round_info.h"
#include "net/page_fetch.h"
#include "net/socket_connection.h"
#include "platform/sockets.h"
#include "tests/http_test_server.h"
#include "tests/speech_fixture.h"

namespace {

using testing_support::HttpAnswer;
using testing_support::HttpTestServer;
using testing_support::OkAnswer;

const char kTablePath[] = "/futebol/brasileirao-serie-a/classificacao";

class NetFetchTest : public testing_support::SpeechTest {
 protected:
  void SetUp() override {
    SpeechTest::SetUp();
    SocketConnectionResetForTest();
    sockets_ = platform::OpenSocketCount();
  }
  void TearDown() override {
    NetFailStartForTest(false);
    SpeechTest::TearDown();
  }
  void PointSitesAt(const std::string& site) {
    Settings("[LIGAFALA]\nSITETABELA=" + site + "\nSITERODADA=" + site + "\n");
  }
  // What the user heard through the speech core, in order.
  std::vector<std::string> Said() {
    std::vector<std::string> said;
    for (const std::string& event : Trace()) {
      if (event.rfind("say ", 0) == 0) said.push_back(event.substr(4));
    }
    return said;
  }
  void ExpectNothingOpen() {
    EXPECT_EQ(platform::OpenSocketCount(), sockets_);
    EXPECT_EQ(OpenReaderCount(), 0);
    EXPECT_EQ(NetStartCount(), 0);
  }

  int sockets_ = 0;
};

TEST_F(NetFetchTest, ParseSite) {
  struct Case {
    const char* site;
    const char* host;
    int port;
    bool tls;
    const char* hostHeader;
    bool valid;
  };
  const Case cases[] = {
      {"tabela.example", "tabela.example", 80, false, "tabela.example", true},
      {"127.0.0.1:8080", "127.0.0.1", 8080, false, "127.0.0.1:8080", true},
      {"https://tabela.example/", "tabela.example", 443, true, "tabela.example", true},
      {"HTTPS://localhost:8443", "localhost", 8443, true, "localhost:8443", true},
      {"host:99999", "", 80, false, "host:99999", false},
      {"host:", "", 80, false, "host:", false},
      {"", "", 80, false, "", false},
  };
  for (const Case& c : cases) {
    const SiteAddress a = ParseSite(c.site);
    EXPECT_EQ(a.host, c.host) << c.site;
    EXPECT_EQ(a.port, c.port) << c.site;
    EXPECT_EQ(a.tls, c.tls) << c.site;
    EXPECT_EQ(a.hostHeader, c.hostHeader) << c.site;
    EXPECT_EQ(a.valid, c.valid) << c.site;
  }
}

// The answer arrives in random pieces; the header lines are dropped, the
// line opening the document is taken whole, lines are joined without their
// ends, and the closing line is left out.
TEST_F(NetFetchTest, FetchPageReturnsTheDocument) {
  HttpTestServer server;
  std::string body = "<!DOCTYPE html>\r\nantes <html lang=\"pt\">\r\n";
  for (int i = 0; i < 300; ++i) body += "<p>linha " + std::to_string(i) + "</p>\n";
  body += "fim</html>\r\ndepois\r\n";
  server.Serve("/p", {HttpAnswer::Mode::kCanned, OkAnswer(body)});
  std::string page;
  ASSERT_TRUE(FetchPage(server.Address(), "GET /p HTTP/1.0\r\n", page));
  std::string expected = "antes <html lang=\"pt\">";
  for (int i = 0; i < 300; ++i) expected += "<p>linha " + std::to_string(i) + "</p>";
  EXPECT_EQ(page, expected);
  EXPECT_TRUE(Said().empty());
  ExpectNothingOpen();
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0], "GET /p HTTP/1.0\r\n\r\n");
}

// The closing tag on the last bytes, with no line end before the server
// closes, still completes the document; a document kept open after its
// closing line needs no close at all.
TEST_F(NetFetchTest, DocumentEndsAtItsClosingLine) {
  HttpTestServer server;
  server.Serve("/a", {HttpAnswer::Mode::kCanned, OkAnswer("<html>\nA\n</html>")});
  server.Serve("/b", {HttpAnswer::Mode::kCanned, OkAnswer("<html>\nB\n</html>\n"), true});
  std::string page;
  EXPECT_TRUE(FetchPage(server.Address(), "GET /a HTTP/1.0\r\n", page));
  EXPECT_EQ(page, "<html>A");
  page.clear();
  EXPECT_TRUE(FetchPage(server.Address(), "GET /b HTTP/1.0\r\n", page));
  EXPECT_EQ(page, "<html>B");
  ExpectNothingOpen();
}

TEST_F(NetFetchTest, TheRequestsOfBothScrapers) {
  HttpTestServer server;
  PointSitesAt(server.Address());
  std::vector<std::string> lines;
  FetchLeagueTable(3, lines);
  FetchRoundInfo("/futebol/brasileirao-serie-c/", lines);
  const std::string host = "Host: " + server.Address() + "\r\n";
  const std::string rest = "User-Agent: navril 5.3d\r\nAccept-Language: pt-br\r\nUA-CPU: X86\r\n"
                           "Accept: */*\r\n\r\n";
  EXPECT_EQ(server.Requests(),
            (std::vector<std::string>{
                "GET /futebol/brasileirao-serie-c/classificacao HTTP/1.1\r\n" + host + rest,
                "GET /futebol/brasileirao-serie-c/ HTTP/1.0\r\n" + host + rest}));
}

struct FailureCase {
  const char* what;
  HttpAnswer answer;
  std::vector<std::string> said;
  // The status line a slow server managed to send depends on the clock:
  // only its beginning is compared.
  bool statusPrefixOnly = false;
};

// Every failure ends the fetch, says why, then the scraper's own sentence,
// and leaves no socket, reader or socket-library start behind.
TEST_F(NetFetchTest, FailuresAreSaidAndReleaseEverything) {
  const std::string conexao = "Erro ao realizar conex\xC3\xA3o";
  const std::string servidor = "Erro no servidor, veja a mensagem ";
  const std::string tabela = "Erro ao obter tabela de classifica\xC3\xA7\xC3\xA3o";
  const FailureCase cases[] = {
      {"status 404",
       {HttpAnswer::Mode::kCanned, "HTTP/1.1 404 Not Found\r\n\r\n<html></html>\r\n"},
       {servidor, "HTTP/1.1 404 Not Found", tabela}},
      {"never answers", {HttpAnswer::Mode::kSilent, ""}, {servidor, tabela}},
      {"closes in the middle of the document",
       {HttpAnswer::Mode::kCanned, OkAnswer("<html>\n<li class=\"time\">me")},
       {conexao, tabela}},
      {"no document at all", {HttpAnswer::Mode::kCanned, OkAnswer("nada\n")}, {conexao, tabela}},
      {"never sends </html>",
       {HttpAnswer::Mode::kCanned, OkAnswer("<html>\n<body>\n"), true},
       {conexao, tabela}},
      {"one endless line",
       {HttpAnswer::Mode::kEndless, OkAnswer("<html><body>")},
       {conexao, tabela}},
      {"status line dripping a byte a second",
       {HttpAnswer::Mode::kSlow, "HTTP/1.1 200 OK\r\n", false, 1000},
       {servidor, "HTT", tabela},
       true},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    HttpTestServer server;
    server.Serve(kTablePath, c.answer);
    PointSitesAt(server.Address());
    ClearLogs();
    std::vector<std::string> lines;
    EXPECT_FALSE(FetchLeagueTable(1, lines));
    EXPECT_TRUE(lines.empty());
    std::vector<std::string> said = Said();
    if (c.statusPrefixOnly && said.size() == 3) {
      said[1].resize(std::min<std::size_t>(said[1].size(), 3));
    }
    EXPECT_EQ(said, c.said);
    ExpectNothingOpen();
  }
}

TEST_F(NetFetchTest, NoConnectionAndNoSocketLibrary) {
  int port = 0;
  {
    HttpTestServer gone;
    port = gone.port();
  }
  PointSitesAt("127.0.0.1:" + std::to_string(port));
  std::vector<std::string> lines;
  EXPECT_FALSE(FetchRoundInfo("/futebol/brasileirao-serie-a/", lines));
  EXPECT_EQ(Said(), (std::vector<std::string>{
                        "Erro ao realizar conex\xC3\xA3o",
                        "N\xC3\xA3o foi poss\xC3\xADvel obter as pr\xC3\xB3ximas rodadas"}));
  ExpectNothingOpen();

  ClearLogs();
  NetFailStartForTest(true);
  EXPECT_FALSE(FetchLeagueTable(2, lines));
  EXPECT_EQ(Said(), (std::vector<std::string>{
                        "O acesso a internet est\xC3\xA1 desabilitado",
                        "Erro ao obter tabela de classifica\xC3\xA7\xC3\xA3o"}));
  ExpectNothingOpen();
}

}  // namespace
