// The TLS channel the socket layer can route one socket through: sends,
// receives, readiness and closing of that socket go through OpenSSL while
// the channel is active. The library is set up at the first attach, so a
// program that only speaks plain HTTP never touches it.
#pragma once

#include <cstddef>
#include <string_view>

// Makes the TLS handshake on a connected socket, sending `serverName` for
// SNI and verifying the server's certificate against the system's trusted
// certificates (the host name or IP address must match). Waits in bounded
// time while pumping the window's messages. True when the channel is
// active on the socket; false (and the channel released) otherwise.
bool TlsAttach(int socket, std::string_view serverName);
// True when the channel is active and belongs to `socket`.
bool TlsActiveOn(int socket);

long TlsRead(void* buffer, std::size_t size);
long TlsWrite(const void* bytes, std::size_t length);
bool TlsPending();
// Ends the channel; the socket itself stays open.
void TlsClose();

// Ends the channel and drops the library context, so the next attach reads
// the trusted certificates again; for tests.
void TlsResetForTest();
