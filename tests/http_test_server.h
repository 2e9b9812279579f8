// A small HTTP server on 127.0.0.1 for the network tests: it answers each
// request path with canned bytes cut into random-sized pieces, or stays
// silent, drips bytes slowly, sends one endless line, or (with TLS) speaks
// through a certificate the test made. It runs on a thread of its own and
// serves one connection at a time until it is destroyed.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

struct HttpAnswer {
  enum class Mode {
    kCanned,   // the bytes in random pieces, then the connection is closed
    kSilent,   // reads the request and never answers
    kSlow,     // the bytes one at a time, `intervalMs` apart
    kEndless,  // the bytes, then the same filler for ever
  };
  Mode mode = Mode::kCanned;
  std::string bytes;
  // After the bytes: keep the connection open until the client closes it.
  bool keepOpen = false;
  int intervalMs = 0;
};

// A certificate and its private key, PEM-encoded.
struct TestCertificate {
  std::string certificatePem;
  std::string keyPem;
};
// A self-signed certificate for `hostName` (DNS name and subject).
TestCertificate MakeTestCertificate(const std::string& hostName);

// "HTTP/1.1 200 OK", a header, a blank line, then the body.
std::string OkAnswer(const std::string& body);

class HttpTestServer {
 public:
  // With a certificate, every connection is a TLS one.
  explicit HttpTestServer(const TestCertificate* certificate = nullptr);
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  int port() const { return port_; }
  // "127.0.0.1:PORT"
  std::string Address() const;
  // Answers for a request path; other paths get a 404.
  void Serve(const std::string& path, const HttpAnswer& answer);
  // Every request received so far, whole (up to and with its empty line).
  std::vector<std::string> Requests();
  // Connections accepted and connections the client has closed or the
  // server has finished.
  int Connections() const { return connections_; }

 private:
  void Run();
  void Handle(int client);

  int listener_ = -1;
  int port_ = 0;
  void* tlsContext_ = nullptr;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::mutex mutex_;
  std::map<std::string, HttpAnswer> answers_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

}  // namespace testing_support
