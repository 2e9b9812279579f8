// TCP connections with time-outs: start and stop the socket library, open a
// connection to a host and port, send a line, and read the answer line by
// line. Every wait is made of short readiness tests and message-pumping
// delays, so the console window keeps painting and keys keep queuing while
// the program waits for the network.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr int kReaderBufferSize = 4096;
// Default of "TIMEOUT_REDE": microseconds one readiness test waits.
constexpr int kDefaultReadinessWaitMicros = 20000;

// One per connection, made by NewLineReader. A new reader holds no data
// (position kReaderBufferSize, count 0).
struct LineReader {
  int socket = -1;
  uint8_t buffer[kReaderBufferSize];
  int position = kReaderBufferSize;
  int count = 0;
  // Bounds the page fetch puts on one reader so that no server can keep the
  // program waiting or growing for ever: a line longer than lineLimit bytes
  // ends the read, and so does the clock passing deadlineMs (milliseconds
  // since start; 0 for none).
  std::size_t lineLimit = 0;
  int64_t deadlineMs = 0;
};

bool NetStart();
void NetStop();

// IPv4 address in network byte order; 0 when the host is not found. A text
// that begins with a digit is taken as a dotted address.
uint32_t ResolveHost(std::string_view host);
// The connected socket, or -1. Reads "TIMEOUT_REDE" for the readiness wait.
int ConnectTcp(std::string_view host, uint16_t port);
// Closes the socket and any TLS channel attached to it.
void CloseConnection(int socket);
// True when bytes wait to be read (or the connection was closed); pumps the
// window's messages.
bool DataReady(int socket);
long SocketSend(int socket, const void* bytes, std::size_t length, int flags);
long SocketRecv(int socket, void* buffer, std::size_t size, int flags);
// Sends the text and CR LF in one call; true when anything was sent.
bool SendLine(int socket, std::string_view text);

LineReader* NewLineReader(int socket);
void FreeLineReader(LineReader* reader);
bool ReaderHasData(LineReader* reader);
bool ReaderReadByte(LineReader* reader, uint8_t& byte);
// Reads one line without its LF (and a CR right before it). False when the
// connection closed, `seconds` x 10 empty polls passed (0: no limit), or one
// of the reader's bounds was reached; `line` keeps the bytes read so far.
bool ReadLine(LineReader* reader, std::string& line, int seconds);

// For tests: the readiness wait the last connection set, the empty polls
// of the latest ReadLine, the readers not yet freed, the starts of the socket library not yet stopped, and a
// socket library that refuses to start.
int ReadinessWaitMicros();
int LastReadLineEmptyPolls();
int OpenReaderCount();
int NetStartCount();
void NetFailStartForTest(bool fail);
void SocketConnectionResetForTest();
