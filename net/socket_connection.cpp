#include "net/socket_connection.h"

#include <algorithm>
#include <cstring>

#include "console/console.h"
#include "net/tls.h"
#include "platform/observe.h"
#include "platform/sockets.h"
#include "speech/settings.h"

namespace {

// Host texts are at most 128 characters, as the resolver's buffer holds.
constexpr std::size_t kMaxHostChars = 128;
// A readiness test never waits longer than this, whatever "TIMEOUT_REDE"
// says, so the window is pumped at least this often.
constexpr int kMaxReadinessWaitMicros = 5000000;
// A connection that is neither made nor refused within this time is given
// up (an address that swallows packets would otherwise hold the program for
// minutes).
constexpr int64_t kConnectTimeLimitMs = 10000;
constexpr uint16_t kEmptyPollMs = 100;

struct SocketConnectionState {
  int readinessWaitMicros = kDefaultReadinessWaitMicros;
  int openReaders = 0;
  int starts = 0;
  bool failStart = false;
  int lastEmptyPolls = 0;  // of the latest ReadLine, for tests
};
SocketConnectionState connection;

int ReadReadinessWait() {
  int micros = kDefaultReadinessWaitMicros;
  const std::string value = ReadSetting("SONTRA", "TIMEOUT_REDE");
  if (!value.empty()) {
    const ParsedInteger parsed = ParseInteger(value);
    micros = parsed.valid ? parsed.value : kDefaultReadinessWaitMicros;
  }
  return std::clamp(micros, 0, kMaxReadinessWaitMicros);
}

bool PastDeadline(const LineReader* reader) {
  return reader->deadlineMs != 0 && platform::MillisSinceStart() >= reader->deadlineMs;
}

}  // namespace

bool NetStart() {
  if (connection.failStart || !platform::SocketsStartup()) return false;
  ++connection.starts;
  return true;
}

void NetStop() {
  if (connection.starts > 0) --connection.starts;
  platform::SocketsCleanup();
}

uint32_t ResolveHost(std::string_view host) {
  const std::string name(host.substr(0, kMaxHostChars));
  if (name.empty()) return 0;
  if (name[0] >= '0' && name[0] <= '9') return platform::ParseDottedAddress(name.c_str());
  return platform::LookUpHostName(name.c_str());
}

int ConnectTcp(std::string_view host, uint16_t port) {
  const int socket = platform::SocketOpenTcp();
  if (socket < 0) return -1;
  // Every failing step closes the socket it made: the callers only look at
  // the -1 and would otherwise leak it.
  auto fail = [socket] {
    platform::SocketClose(socket);
    return -1;
  };
  if (!platform::SocketBindAny(socket)) return fail();
  const uint32_t address = ResolveHost(host);
  if (address == 0) return fail();
  int started = platform::SocketConnectStart(socket, address, port);
  if (started < 0) return fail();
  if (started == 0) {
    // The connection is made while the window keeps painting.
    const int64_t deadline = platform::MillisSinceStart() + kConnectTimeLimitMs;
    int ready = 0;
    while (ready == 0) {
      ready = platform::SocketWaitReady(socket, true, kDefaultReadinessWaitMicros);
      ConsoleKeyPressed();
      if (ready == 0 && platform::MillisSinceStart() >= deadline) return fail();
    }
    if (ready < 0 || platform::SocketConnectError(socket) != 0) return fail();
    platform::SocketSetBlocking(socket, true);
  }
  connection.readinessWaitMicros = ReadReadinessWait();
  return socket;
}

void CloseConnection(int socket) {
  if (socket < 0) return;
  // The channel says goodbye on the socket before the socket goes.
  if (TlsActiveOn(socket)) TlsClose();
  platform::SocketClose(socket);
}

bool DataReady(int socket) {
  if (TlsPending()) return true;
  const int ready = platform::SocketWaitReady(socket, false, connection.readinessWaitMicros);
  ConsoleKeyPressed();
  return ready != 0;
}

long SocketSend(int socket, const void* bytes, std::size_t length, int flags) {
  if (TlsActiveOn(socket)) return TlsWrite(bytes, length);
  return platform::SocketSendBytes(socket, bytes, length, flags);
}

long SocketRecv(int socket, void* buffer, std::size_t size, int flags) {
  if (TlsActiveOn(socket)) return TlsRead(buffer, size);
  return platform::SocketRecvBytes(socket, buffer, size, flags);
}

bool SendLine(int socket, std::string_view text) {
  std::string bytes(text);
  bytes += "\r\n";
  return SocketSend(socket, bytes.data(), bytes.size(), 0) > 0;
}

LineReader* NewLineReader(int socket) {
  auto* reader = new LineReader;
  reader->socket = socket;
  ++connection.openReaders;
  return reader;
}

void FreeLineReader(LineReader* reader) {
  if (reader == nullptr) return;
  delete reader;
  --connection.openReaders;
}

bool ReaderHasData(LineReader* reader) {
  if (reader == nullptr) return false;
  if (reader->position < reader->count) return true;
  return DataReady(reader->socket);
}

bool ReaderReadByte(LineReader* reader, uint8_t& byte) {
  byte = 0;
  if (reader->position >= reader->count) {
    reader->position = 0;
    const long received = SocketRecv(reader->socket, reader->buffer, kReaderBufferSize, 0);
    reader->count = received > 0 ? static_cast<int>(received) : 0;
    if (received <= 0) return false;
  }
  byte = reader->buffer[reader->position++];
  return true;
}

bool ReadLine(LineReader* reader, std::string& line, int seconds) {
  line.clear();
  if (reader == nullptr) return false;
  int polls = 0;
  connection.lastEmptyPolls = 0;
  for (;;) {
    // The clock is looked at only when the buffer is used up, so a fast
    // connection pays for it once per block, not once per byte.
    if (reader->position >= reader->count && PastDeadline(reader)) return false;
    if (ReaderHasData(reader)) {
      uint8_t byte = 0;
      if (!ReaderReadByte(reader, byte)) return false;
      line += static_cast<char>(byte);
      if (byte == '\n') {
        line.pop_back();
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
      }
      if (reader->lineLimit != 0 && line.size() >= reader->lineLimit) return false;
    } else {
      ConsoleDelay(kEmptyPollMs);
      ++polls;
      connection.lastEmptyPolls = polls;
      if (seconds != 0 && polls > seconds * 10) return false;
    }
  }
}

int ReadinessWaitMicros() { return connection.readinessWaitMicros; }
int LastReadLineEmptyPolls() { return connection.lastEmptyPolls; }
int OpenReaderCount() { return connection.openReaders; }
int NetStartCount() { return connection.starts; }
void NetFailStartForTest(bool fail) { connection.failStart = fail; }
void SocketConnectionResetForTest() { connection = SocketConnectionState{}; }
