#include "tests/http_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>
#include <stdexcept>

namespace testing_support {

namespace {

constexpr int kIoSliceMs = 100;
constexpr int kRequestWaitMs = 5000;

struct Connection {
  int fd = -1;
  SSL* tls = nullptr;
};

void SetTimeouts(int fd) {
  timeval slice{0, kIoSliceMs * 1000};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &slice, sizeof slice);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &slice, sizeof slice);
}

bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }

// Received bytes; 0 when closed, -1 on error, -2 when nothing came in time.
long Receive(Connection& c, char* buffer, int size) {
  if (c.tls != nullptr) {
    const int n = SSL_read(c.tls, buffer, size);
    if (n > 0) return n;
    const int error = SSL_get_error(c.tls, n);
    if (error == SSL_ERROR_ZERO_RETURN) return 0;
    if ((error == SSL_ERROR_WANT_READ || error == SSL_ERROR_SYSCALL) && WouldBlock()) return -2;
    return error == SSL_ERROR_SYSCALL && errno == 0 ? 0 : -1;
  }
  const long n = recv(c.fd, buffer, static_cast<std::size_t>(size), 0);
  if (n < 0 && WouldBlock()) return -2;
  return n;
}

// False once the client is gone or the server stops.
bool SendAll(Connection& c, const char* bytes, std::size_t length, const std::atomic<bool>& stop) {
  while (length > 0) {
    if (stop) return false;
    long n = 0;
    if (c.tls != nullptr) {
      n = SSL_write(c.tls, bytes, static_cast<int>(length));
      if (n <= 0) {
        const int error = SSL_get_error(c.tls, static_cast<int>(n));
        if ((error == SSL_ERROR_WANT_WRITE || error == SSL_ERROR_SYSCALL) && WouldBlock()) continue;
        return false;
      }
    } else {
      n = send(c.fd, bytes, length, MSG_NOSIGNAL);
      if (n < 0) {
        if (WouldBlock()) continue;
        return false;
      }
    }
    bytes += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

void WaitForClose(Connection& c, const std::atomic<bool>& stop) {
  char buffer[4096];
  while (!stop) {
    const long n = Receive(c, buffer, sizeof buffer);
    if (n == 0 || n == -1) return;
  }
}

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

std::string OkAnswer(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nServer: test\r\n\r\n" +
         body;
}

TestCertificate MakeTestCertificate(const std::string& hostName) {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  X509* certificate = X509_new();
  X509_set_version(certificate, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
  X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
  X509_gmtime_adj(X509_getm_notAfter(certificate), 3600L * 24);
  X509_set_pubkey(certificate, key);
  X509_NAME* name = X509_get_subject_name(certificate);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(hostName.c_str()), -1, -1, 0);
  X509_set_issuer_name(certificate, name);
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
  const std::string altName = "DNS:" + hostName;
  for (const auto& [nid, value] :
       {std::pair<int, std::string>{NID_subject_alt_name, altName},
        {NID_basic_constraints, "critical,CA:TRUE"}}) {
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
  }
  X509_sign(certificate, key, EVP_sha256());

  TestCertificate result;
  BIO* out = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(out, certificate);
  char* data = nullptr;
  long size = BIO_get_mem_data(out, &data);
  result.certificatePem.assign(data, static_cast<std::size_t>(size));
  BIO_free(out);
  out = BIO_new(BIO_s_mem());
  PEM_write_bio_PrivateKey(out, key, nullptr, nullptr, 0, nullptr, nullptr);
  size = BIO_get_mem_data(out, &data);
  result.keyPem.assign(data, static_cast<std::size_t>(size));
  BIO_free(out);
  X509_free(certificate);
  EVP_PKEY_free(key);
  return result;
}

HttpTestServer::HttpTestServer(const TestCertificate* certificate) {
  if (certificate != nullptr) {
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    BIO* in = BIO_new_mem_buf(certificate->certificatePem.data(),
                              static_cast<int>(certificate->certificatePem.size()));
    X509* cert = PEM_read_bio_X509(in, nullptr, nullptr, nullptr);
    BIO_free(in);
    in = BIO_new_mem_buf(certificate->keyPem.data(), static_cast<int>(certificate->keyPem.size()));
    EVP_PKEY* key = PEM_read_bio_PrivateKey(in, nullptr, nullptr, nullptr);
    BIO_free(in);
    SSL_CTX_use_certificate(context, cert);
    SSL_CTX_use_PrivateKey(context, key);
    X509_free(cert);
    EVP_PKEY_free(key);
    tlsContext_ = context;
  }
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int yes = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 8) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("test server cannot listen");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Run(); });
}

HttpTestServer::~HttpTestServer() {
  stop_ = true;
  thread_.join();
  close(listener_);
  if (tlsContext_ != nullptr) SSL_CTX_free(static_cast<SSL_CTX*>(tlsContext_));
}

std::string HttpTestServer::Address() const { return "127.0.0.1:" + std::to_string(port_); }

void HttpTestServer::Serve(const std::string& path, const HttpAnswer& answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_[path] = answer;
}

std::vector<std::string> HttpTestServer::Requests() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void HttpTestServer::Run() {
  while (!stop_) {
    pollfd entry{listener_, POLLIN, 0};
    if (poll(&entry, 1, 50) <= 0) continue;
    const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    ++connections_;
    Handle(client);
    close(client);
  }
}

void HttpTestServer::Handle(int client) {
  SetTimeouts(client);
  Connection c{client, nullptr};
  if (tlsContext_ != nullptr) {
    c.tls = SSL_new(static_cast<SSL_CTX*>(tlsContext_));
    SSL_set_fd(c.tls, client);
    int result = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((result = SSL_accept(c.tls)) != 1) {
      const int error = SSL_get_error(c.tls, result);
      const bool again = (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE ||
                          error == SSL_ERROR_SYSCALL) && WouldBlock();
      if (!again || stop_ || std::chrono::steady_clock::now() > deadline) {
        ERR_clear_error();
        SSL_free(c.tls);
        return;
      }
    }
  }

  std::string request;
  char buffer[4096];
  for (int waited = 0; request.find("\r\n\r\n") == std::string::npos && !stop_;) {
    const long n = Receive(c, buffer, sizeof buffer);
    if (n == 0 || n == -1) break;
    if (n == -2) {
      waited += kIoSliceMs;
      if (waited > kRequestWaitMs) break;
      continue;
    }
    request.append(buffer, static_cast<std::size_t>(n));
  }
  std::string path;
  const std::size_t space = request.find(' ');
  if (space != std::string::npos) {
    path = request.substr(space + 1, request.find(' ', space + 1) - space - 1);
  }
  HttpAnswer answer;
  answer.bytes = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
    if (auto found = answers_.find(path); found != answers_.end()) answer = found->second;
  }

  std::mt19937 random(static_cast<unsigned>(requests_.size() * 7919 + 17));
  bool alive = true;
  switch (answer.mode) {
    case HttpAnswer::Mode::kCanned:
      for (std::size_t at = 0; alive && at < answer.bytes.size();) {
        const std::size_t piece =
            std::min(answer.bytes.size() - at, std::size_t{1} + random() % 700);
        alive = SendAll(c, answer.bytes.data() + at, piece, stop_);
        at += piece;
        if (random() % 8 == 0) Pause(1);
      }
      break;
    case HttpAnswer::Mode::kSilent:
      answer.keepOpen = true;
      break;
    case HttpAnswer::Mode::kSlow:
      for (std::size_t at = 0; alive && at < answer.bytes.size(); ++at) {
        alive = SendAll(c, answer.bytes.data() + at, 1, stop_);
        Pause(answer.intervalMs);
      }
      break;
    case HttpAnswer::Mode::kEndless: {
      alive = SendAll(c, answer.bytes.data(), answer.bytes.size(), stop_);
      const std::string filler(1 << 16, 'a');
      while (alive) alive = SendAll(c, filler.data(), filler.size(), stop_);
      break;
    }
  }
  if (alive && answer.keepOpen) WaitForClose(c, stop_);
  if (c.tls != nullptr) {
    SSL_shutdown(c.tls);
    SSL_free(c.tls);
    ERR_clear_error();
  }
}

}  // namespace testing_support
