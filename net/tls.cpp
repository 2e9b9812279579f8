#include "net/tls.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <climits>
#include <string>

#include "console/console.h"
#include "console/text_output.h"
#include "platform/observe.h"
#include "platform/sockets.h"

namespace {

// A handshake that has not finished in this time is given up, so a server
// that accepts and then stays silent cannot hold the program.
constexpr int64_t kHandshakeTimeLimitMs = 10000;
// Waits of 100 ms for the rest of a record before a read or write gives up.
constexpr int kMaxRecordWaits = 50;
constexpr uint16_t kRecordWaitMs = 100;
constexpr int64_t kHandshakeWaitMicros = 20000;

struct TlsChannel {
  bool active = false;
  int socket = 0;
  SSL* connection = nullptr;
};

struct TlsState {
  SSL_CTX* context = nullptr;
  TlsChannel channel;
};
TlsState tls;

// The library context, made at the first use.
SSL_CTX* Context() {
  if (tls.context != nullptr) return tls.context;
  OPENSSL_init_ssl(0, nullptr);
  SSL_CTX* context = SSL_CTX_new(TLS_client_method());
  if (context == nullptr) return nullptr;
  SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
  SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
#ifdef SSL_OP_IGNORE_UNEXPECTED_EOF
  // Many servers end the connection without the closing alert; that is the
  // end of the page, not a fault.
  SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
#endif
  if (SSL_CTX_set_default_verify_paths(context) != 1) {
    SSL_CTX_free(context);
    return nullptr;
  }
  tls.context = context;
  return context;
}

bool IsAddressLiteral(const std::string& name) {
  unsigned char address[16];
  return inet_pton(AF_INET, name.c_str(), address) == 1 ||
         inet_pton(AF_INET6, name.c_str(), address) == 1;
}

void FreeConnection() {
  if (tls.channel.connection != nullptr) SSL_free(tls.channel.connection);
  tls.channel = TlsChannel{};
}

}  // namespace

bool TlsAttach(int socket, std::string_view serverName) {
  TlsClose();
  SSL_CTX* context = Context();
  if (context == nullptr || socket < 0) return false;
  SSL* connection = SSL_new(context);
  if (connection == nullptr) return false;
  tls.channel.connection = connection;
  const std::string name(serverName);
  bool named = SSL_set_fd(connection, socket) == 1;
  if (IsAddressLiteral(name)) {
    named = named && X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(connection), name.c_str()) == 1;
  } else {
    named = named && SSL_set_tlsext_host_name(connection, name.c_str()) == 1 &&
            SSL_set1_host(connection, name.c_str()) == 1;
  }
  if (!named) {
    FreeConnection();
    return false;
  }
  // The socket stays non-blocking under the channel: every wait is then one
  // of ours, bounded and pumping the window.
  platform::SocketSetBlocking(socket, false);
  const int64_t deadline = platform::MillisSinceStart() + kHandshakeTimeLimitMs;
  for (;;) {
    ERR_clear_error();
    const int result = SSL_connect(connection);
    if (result == 1) break;
    const int error = SSL_get_error(connection, result);
    if ((error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) ||
        platform::MillisSinceStart() >= deadline) {
      ERR_clear_error();
      FreeConnection();
      platform::SocketSetBlocking(socket, true);
      return false;
    }
    platform::SocketWaitReady(socket, error == SSL_ERROR_WANT_WRITE, kHandshakeWaitMicros);
    ConsoleKeyPressed();
  }
  tls.channel.active = true;
  tls.channel.socket = socket;
  return true;
}

bool TlsActiveOn(int socket) { return tls.channel.active && tls.channel.socket == socket; }

long TlsRead(void* buffer, std::size_t size) {
  if (!tls.channel.active) return -1;
  const int request = static_cast<int>(std::min<std::size_t>(size, INT_MAX));
  for (int waits = 0;; ++waits) {
    ERR_clear_error();
    const int n = SSL_read(tls.channel.connection, buffer, request);
    const int error = SSL_get_error(tls.channel.connection, n);
    switch (error) {
      case SSL_ERROR_NONE:
        return n;
      case SSL_ERROR_WANT_READ:
        if (waits >= kMaxRecordWaits) return -1;
        ConsoleDelay(kRecordWaitMs);
        continue;
      case SSL_ERROR_WANT_WRITE:
        ConsoleDelay(kRecordWaitMs);
        return n;
      case SSL_ERROR_SYSCALL:
      case SSL_ERROR_ZERO_RETURN:
        return -1;
      default:
        ERR_clear_error();
        WriteLine("Erro SSL: " + std::to_string(error));
        return -1;
    }
  }
}

long TlsWrite(const void* bytes, std::size_t length) {
  if (!tls.channel.active) return -1;
  const int request = static_cast<int>(std::min<std::size_t>(length, INT_MAX));
  for (int waits = 0;; ++waits) {
    ERR_clear_error();
    const int n = SSL_write(tls.channel.connection, bytes, request);
    const int error = SSL_get_error(tls.channel.connection, n);
    switch (error) {
      case SSL_ERROR_NONE:
        return n;
      case SSL_ERROR_WANT_WRITE:
        if (waits >= kMaxRecordWaits) return -1;
        ConsoleDelay(kRecordWaitMs);
        continue;
      case SSL_ERROR_WANT_READ:
        ConsoleDelay(kRecordWaitMs);
        return n;
      default:
        ERR_clear_error();
        return -1;
    }
  }
}

bool TlsPending() {
  return tls.channel.active && SSL_pending(tls.channel.connection) > 0;
}

void TlsClose() {
  if (tls.channel.connection != nullptr) {
    // One try at the closing alert; the socket is non-blocking, so this
    // never waits for the server.
    SSL_shutdown(tls.channel.connection);
    ERR_clear_error();
  }
  FreeConnection();
}

void TlsResetForTest() {
  TlsClose();
  if (tls.context != nullptr) SSL_CTX_free(tls.context);
  tls.context = nullptr;
}
