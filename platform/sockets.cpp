#include "platform/sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace platform {

namespace {

struct SocketsState {
  std::atomic<int> openSockets{0};
};
SocketsState sockets;

}  // namespace

bool SocketsStartup() {
  // Windows sockets report a write to a closed peer as an error; here the
  // same write would end the process with SIGPIPE. The TLS library writes
  // to the descriptor itself, so the per-call flag is not enough.
  signal(SIGPIPE, SIG_IGN);
  return true;
}

void SocketsCleanup() {}

uint32_t ParseDottedAddress(const char* text) { return inet_addr(text); }

uint32_t LookUpHostName(const char* name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* answer = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &answer) != 0 || answer == nullptr) return 0;
  uint32_t address = 0;
  for (const addrinfo* entry = answer; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family == AF_INET && entry->ai_addr != nullptr) {
      sockaddr_in in{};
      std::memcpy(&in, entry->ai_addr, sizeof in);
      address = in.sin_addr.s_addr;
      break;
    }
  }
  freeaddrinfo(answer);
  return address;
}

int SocketOpenTcp() {
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (s >= 0) ++sockets.openSockets;
  return s < 0 ? kNoSocket : s;
}

bool SocketBindAny(int socket) {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = 0;
  return bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

int SocketConnectStart(int socket, uint32_t address, uint16_t port) {
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_addr.s_addr = address;
  remote.sin_port = htons(port);
  SocketSetBlocking(socket, false);
  const int result = connect(socket, reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
  if (result == 0) {
    SocketSetBlocking(socket, true);
    return 1;
  }
  return errno == EINPROGRESS ? 0 : -1;
}

int SocketConnectError(int socket) {
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

void SocketSetBlocking(int socket, bool blocking) {
  const int flags = fcntl(socket, F_GETFL, 0);
  if (flags < 0) return;
  fcntl(socket, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK));
}

int SocketWaitReady(int socket, bool forWriting, int64_t micros) {
  if (micros < 0) micros = 0;
  pollfd entry{};
  entry.fd = socket;
  entry.events = forWriting ? POLLOUT : POLLIN;
  timespec wait{};
  wait.tv_sec = static_cast<time_t>(micros / 1000000);
  wait.tv_nsec = static_cast<long>((micros % 1000000) * 1000);
  const int result = ppoll(&entry, 1, &wait, nullptr);
  if (result < 0) return errno == EINTR ? 0 : -1;
  if (result == 0) return 0;
  // A closed or failed connection counts as ready: the next receive says so.
  return 1;
}

long SocketSendBytes(int socket, const void* bytes, std::size_t length, int flags) {
  return static_cast<long>(send(socket, bytes, length, flags | MSG_NOSIGNAL));
}

long SocketRecvBytes(int socket, void* buffer, std::size_t size, int flags) {
  return static_cast<long>(recv(socket, buffer, size, flags));
}

void SocketClose(int socket) {
  if (socket < 0) return;
  if (close(socket) == 0) --sockets.openSockets;
}

int OpenSocketCount() { return sockets.openSockets.load(); }

}  // namespace platform
