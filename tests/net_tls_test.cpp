// Sites reached over TLS: the page arrives through a certificate the test
// trusts; an untrusted certificate or one for another name is a failed
// connection.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/page_fetch.h"
#include "net/socket_connection.h"
#include "net/tls.h"
#include "platform/sockets.h"
#include "tests/http_test_server.h"
#include "tests/speech_fixture.h"

namespace {

using testing_support::HttpAnswer;
using testing_support::HttpTestServer;
using testing_support::MakeTestCertificate;
using testing_support::ScopedEnv;
using testing_support::TestCertificate;

class NetTlsTest : public testing_support::SpeechTest {
 protected:
  void SetUp() override {
    SpeechTest::SetUp();
    SocketConnectionResetForTest();
    sockets_ = platform::OpenSocketCount();
  }
  void TearDown() override {
    TlsResetForTest();
    SpeechTest::TearDown();
  }
  // Makes `certificate` the only one the program trusts.
  std::unique_ptr<ScopedEnv> Trust(const TestCertificate& certificate) {
    testing_support::WriteFile(certs_ / "trusted.pem", certificate.certificatePem);
    auto env = std::make_unique<ScopedEnv>(
        std::map<std::string, std::string>{{"SSL_CERT_FILE", certs_ / "trusted.pem"},
                                           {"SSL_CERT_DIR", certs_.path()}});
    TlsResetForTest();
    return env;
  }
  void ExpectNothingOpen() {
    EXPECT_EQ(platform::OpenSocketCount(), sockets_);
    EXPECT_EQ(OpenReaderCount(), 0);
    EXPECT_EQ(NetStartCount(), 0);
  }

  testing_support::TempDir certs_;
  int sockets_ = 0;
};

TEST_F(NetTlsTest, TrustedCertificateGivesThePage) {
  const TestCertificate certificate = MakeTestCertificate("localhost");
  const auto trust = Trust(certificate);
  HttpTestServer server(&certificate);
  std::string body = "<html>\n";
  for (int i = 0; i < 2000; ++i) body += "<p>" + std::to_string(i) + "</p>\n";
  body += "</html>\n";
  server.Serve("/p", {HttpAnswer::Mode::kCanned, testing_support::OkAnswer(body)});
  std::string page;
  ASSERT_TRUE(FetchPage("https://localhost:" + std::to_string(server.port()),
                        "GET /p HTTP/1.0\r\nHost: localhost\r\n", page));
  std::string expected = "<html>";
  for (int i = 0; i < 2000; ++i) expected += "<p>" + std::to_string(i) + "</p>";
  EXPECT_EQ(page, expected);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0], "GET /p HTTP/1.0\r\nHost: localhost\r\n\r\n");
  EXPECT_FALSE(TlsPending());
  ExpectNothingOpen();
}

TEST_F(NetTlsTest, UntrustedOrMisnamedCertificateIsAFailedConnection) {
  const TestCertificate served = MakeTestCertificate("localhost");
  struct Case {
    const char* what;
    TestCertificate trusted;
    std::string host;
  };
  const Case cases[] = {
      {"another certificate trusted", MakeTestCertificate("localhost"), "localhost"},
      {"the name does not match", served, "127.0.0.1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto trust = Trust(c.trusted);
    HttpTestServer server(&served);
    server.Serve("/p", {HttpAnswer::Mode::kCanned, testing_support::OkAnswer("<html>\n</html>\n")});
    ClearLogs();
    std::string page;
    EXPECT_FALSE(FetchPage("https://" + c.host + ":" + std::to_string(server.port()),
                           "GET /p HTTP/1.0\r\n", page));
    EXPECT_EQ(Trace(), (std::vector<std::string>{"say Erro ao realizar conex\xC3\xA3o"}));
    EXPECT_TRUE(server.Requests().empty());
    ExpectNothingOpen();
  }
}

}  // namespace
