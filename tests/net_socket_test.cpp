// The socket layer: lines read from a connection, the empty-poll limit, the
// readiness wait setting, and connections that cannot be made.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "console/console.h"
#include "net/socket_connection.h"
#include "net/tls.h"
#include "platform/keys.h"
#include "platform/sockets.h"
#include "tests/console_fixture.h"

namespace {

class NetSocketTest : public testing_support::ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    SocketConnectionResetForTest();
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends_), 0);
    reader_ = NewLineReader(ends_[0]);
  }
  void TearDown() override {
    FreeLineReader(reader_);
    close(ends_[0]);
    if (ends_[1] >= 0) close(ends_[1]);
    ConsoleTest::TearDown();
  }
  void Send(const std::string& bytes) {
    ASSERT_EQ(send(ends_[1], bytes.data(), bytes.size(), 0), static_cast<long>(bytes.size()));
  }
  void ClosePeer() {
    close(ends_[1]);
    ends_[1] = -1;
  }

  int ends_[2] = {-1, -1};
  LineReader* reader_ = nullptr;
};

TEST_F(NetSocketTest, LineEnds) {
  Send("HTTP/1.1 200 OK\r\nlone LF\nkeeps\rCR\r\n\r\n\nlast");
  ClosePeer();
  std::string line;
  EXPECT_TRUE(ReadLine(reader_, line, 5));
  EXPECT_EQ(line, "HTTP/1.1 200 OK");
  EXPECT_TRUE(ReadLine(reader_, line, 5));
  EXPECT_EQ(line, "lone LF");
  EXPECT_TRUE(ReadLine(reader_, line, 5));
  EXPECT_EQ(line, "keeps\rCR");
  EXPECT_TRUE(ReadLine(reader_, line, 5));
  EXPECT_EQ(line, "");
  EXPECT_TRUE(ReadLine(reader_, line, 5));
  EXPECT_EQ(line, "");
  // The closed connection ends the read and keeps the unfinished line.
  EXPECT_FALSE(ReadLine(reader_, line, 5));
  EXPECT_EQ(line, "last");
  EXPECT_EQ(LastReadLineEmptyPolls(), 0);
}

// Lines longer than the reader's buffer arrive whole.
TEST_F(NetSocketTest, LinesAcrossBufferRefills) {
  const std::string longLine(3 * kReaderBufferSize + 17, 'x');
  Send(longLine + "\n" + "b\n");
  std::string line;
  EXPECT_TRUE(ReadLine(reader_, line, 5));
  EXPECT_EQ(line, longLine);
  EXPECT_TRUE(ReadLine(reader_, line, 5));
  EXPECT_EQ(line, "b");
}

// Nothing arriving: the limit is seconds x 10 empty polls, and the call gives
// up at the next one. Keys pressed meanwhile stay queued.
TEST_F(NetSocketTest, EmptyPollLimitKeepsKeysQueued) {
  Send("parte");
  bool pressed = false;
  window_->onPoll = [&](platform::MessageSink& sink) {
    if (pressed) return;
    pressed = true;
    for (const platform::Message& m : testing_support::KeyPress(platform::kVkReturn)) {
      sink.Post(m);
    }
  };
  std::string line;
  EXPECT_FALSE(ReadLine(reader_, line, 5));
  EXPECT_EQ(line, "parte");
  EXPECT_EQ(LastReadLineEmptyPolls(), 51);
  EXPECT_EQ(DrainQueue(), (std::vector<int>{13}));

  EXPECT_FALSE(ReadLine(reader_, line, 1));
  EXPECT_EQ(LastReadLineEmptyPolls(), 11);
}

TEST_F(NetSocketTest, BoundsOfTheReader) {
  Send(std::string(100, 'y'));
  reader_->lineLimit = 64;
  std::string line;
  EXPECT_FALSE(ReadLine(reader_, line, 0));
  EXPECT_EQ(line.size(), 64u);
  // A deadline already passed ends the read once the buffer is used up.
  reader_->lineLimit = 0;
  reader_->deadlineMs = 1;
  EXPECT_FALSE(ReadLine(reader_, line, 0));
  EXPECT_EQ(line, std::string(36, 'y'));
  EXPECT_EQ(LastReadLineEmptyPolls(), 0);
}

TEST_F(NetSocketTest, PlainSocketWithoutChannel) {
  EXPECT_FALSE(TlsActiveOn(ends_[0]));
  EXPECT_FALSE(TlsPending());
  EXPECT_TRUE(SendLine(ends_[1], "GET / HTTP/1.0"));
  char buffer[64] = {};
  EXPECT_EQ(SocketRecv(ends_[0], buffer, sizeof buffer, 0), 16);
  EXPECT_EQ(std::string(buffer), "GET / HTTP/1.0\r\n");
  EXPECT_FALSE(ReaderHasData(nullptr));
}

TEST_F(NetSocketTest, ResolveHost) {
  EXPECT_EQ(ResolveHost("127.0.0.1"), htonl(0x7F000001));
  // A text that starts with a digit is a dotted address or nothing.
  EXPECT_EQ(ResolveHost("1.2.3.bad"), 0xFFFFFFFFu);
  EXPECT_EQ(ResolveHost(""), 0u);
  EXPECT_EQ(ResolveHost("localhost"), htonl(0x7F000001));
  EXPECT_EQ(ResolveHost("no-such-host.invalid"), 0u);
}

// A refused connection or an unknown host gives -1 and leaves no socket open;
// a made one reads the readiness wait, falling back to 20000 for a text
// that is not a number.
TEST_F(NetSocketTest, ConnectTcpAndTheReadinessWait) {
  const int before = platform::OpenSocketCount();
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const uint16_t port = ntohs(address.sin_port);
  // Bound but not listening: refused.
  EXPECT_EQ(ConnectTcp("127.0.0.1", port), -1);
  EXPECT_EQ(ConnectTcp("no-such-host.invalid", port), -1);
  EXPECT_EQ(ConnectTcp("300.1.1.1", port), -1);
  EXPECT_EQ(platform::OpenSocketCount(), before);

  ASSERT_EQ(listen(listener, 4), 0);
  const struct {
    const char* value;
    int micros;
  } cases[] = {{nullptr, 20000}, {"50000", 50000}, {"abc", 20000}, {"", 20000}, {"-5", 0}};
  for (const auto& c : cases) {
    Settings(c.value == nullptr ? "" : std::string("[SONTRA]\nTIMEOUT_REDE=") + c.value + "\n");
    const int s = ConnectTcp("127.0.0.1", port);
    ASSERT_GE(s, 0);
    EXPECT_EQ(ReadinessWaitMicros(), c.micros) << (c.value ? c.value : "(missing)");
    CloseConnection(s);
  }
  EXPECT_EQ(platform::OpenSocketCount(), before);
  close(listener);
}

}  // namespace
