#include "net/page_fetch.h"

#include "app/messages.h"
#include "net/socket_connection.h"
#include "net/tls.h"
#include "platform/observe.h"
#include "speech/speech.h"

namespace {

constexpr std::string_view kTlsPrefix = "https://";
constexpr uint16_t kTlsPort = 443;
// A status line is a few dozen bytes; anything longer is not one, and is
// shown and spoken only this far.
constexpr std::size_t kMaxStatusShown = 200;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// Releases in the order reader, connection, socket library.
void Release(LineReader* reader, int socket) {
  FreeLineReader(reader);
  CloseConnection(socket);
  NetStop();
}

}  // namespace

SiteAddress ParseSite(std::string_view site) {
  SiteAddress address;
  if (StartsWithNoCase(site, kTlsPrefix)) {
    address.tls = true;
    address.port = kTlsPort;
    site.remove_prefix(kTlsPrefix.size());
  }
  while (!site.empty() && site.back() == '/') site.remove_suffix(1);
  address.hostHeader = std::string(site);
  const std::size_t colon = site.rfind(':');
  std::string_view host = site;
  if (colon != std::string_view::npos) {
    const std::string_view digits = site.substr(colon + 1);
    uint32_t port = 0;
    bool digitsOnly = !digits.empty() && digits.size() <= 5;
    for (char c : digits) {
      if (c < '0' || c > '9') digitsOnly = false;
      if (digitsOnly) port = port * 10 + static_cast<uint32_t>(c - '0');
    }
    if (!digitsOnly || port == 0 || port > 65535) return address;
    address.port = static_cast<uint16_t>(port);
    host = site.substr(0, colon);
  }
  address.host = std::string(host);
  address.valid = !host.empty();
  return address;
}

bool FetchPage(std::string_view site, std::string_view request, std::string& page) {
  if (!NetStart()) {
    SayMessage("LFSOCKERR", 1);
    return false;
  }
  const SiteAddress address = ParseSite(site);
  int socket = address.valid ? ConnectTcp(address.host, address.port) : -1;
  if (socket != -1 && address.tls && !TlsAttach(socket, address.host)) {
    // A failed handshake or an untrusted certificate is no connection.
    CloseConnection(socket);
    socket = -1;
  }
  if (socket == -1) {
    NetStop();
    SayMessage("LFCONERR", 1);
    return false;
  }
  SendLine(socket, request);
  LineReader* reader = NewLineReader(socket);
  reader->lineLimit = kMaxPageBytes;
  reader->deadlineMs = platform::MillisSinceStart() + kFetchTimeLimitMs;

  std::string line;
  bool ok = ReadLine(reader, line, kFetchLineSeconds);
  if (line.find("200") == std::string::npos) {
    Release(reader, socket);
    if (line.size() > kMaxStatusShown) line.resize(kMaxStatusShown);
    SayMessage("LFSERVERR", 0);
    WriteLineAndSpeak(line);
    return false;
  }

  // Everything before the line that opens the document is dropped. A read
  // that fails (the connection closed, the time or size bound was reached)
  // before the document is whole ends the fetch as a failed connection.
  const std::size_t original = page.size();
  bool complete = false;
  const bool statusWhole = ok;
  if (statusWhole) {
    do {
      ok = ReadLine(reader, line, kFetchLineSeconds);
    } while (ok && line.find("<html") == std::string::npos);
  }
  if (statusWhole && line.find("<html") != std::string::npos) {
    // The line that opens the document is taken whole; the one that closes
    // it is left out, even when it ends a read that failed after it.
    for (;;) {
      if (line.find("</html>") != std::string::npos) {
        complete = true;
        break;
      }
      if (!ok) break;
      page += line;
      if (page.size() > kMaxPageBytes) break;
      ok = ReadLine(reader, line, kFetchLineSeconds);
    }
  }
  Release(reader, socket);
  if (!complete) {
    page.resize(original);
    page.shrink_to_fit();
    SayMessage("LFCONERR", 1);
    return false;
  }
  return true;
}
