// TCP sockets for the network layer: the handful of Windows Sockets 1.1
// services the program uses (start-up, IPv4 name resolution, a TCP stream
// bound to any local address, connect, readiness test, send, receive,
// close), over BSD sockets. Handles are plain descriptors; -1 means none.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

constexpr int kNoSocket = -1;

// Start-up of the socket library. On Linux there is nothing to load; it
// makes writes to a closed peer fail with an error instead of a signal, as
// Windows sockets do.
bool SocketsStartup();
void SocketsCleanup();

// A dotted IPv4 address in network byte order, as inet_addr gives it
// (0xFFFFFFFF for a malformed text).
uint32_t ParseDottedAddress(const char* text);
// The first IPv4 address of a host name in network byte order; 0 when the
// resolver has none.
uint32_t LookUpHostName(const char* name);

int SocketOpenTcp();
bool SocketBindAny(int socket);
// Starts a connection without waiting: 1 connected, 0 under way (finish it
// with SocketWaitReady for writing and SocketConnectError), -1 failed.
int SocketConnectStart(int socket, uint32_t address, uint16_t port);
// The outcome of a connection that was under way: 0 when it succeeded.
int SocketConnectError(int socket);
void SocketSetBlocking(int socket, bool blocking);
// Waits at most `micros` for the socket to become readable (or writable):
// 1 ready (a closed connection is readable), 0 not ready, -1 error.
int SocketWaitReady(int socket, bool forWriting, int64_t micros);
// The plain send and recv; a send never raises a signal.
long SocketSendBytes(int socket, const void* bytes, std::size_t length, int flags);
long SocketRecvBytes(int socket, void* buffer, std::size_t size, int flags);
void SocketClose(int socket);

// Sockets opened through this layer and not yet closed; for tests.
int OpenSocketCount();

}  // namespace platform
