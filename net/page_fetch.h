// The program's whole HTTP client: sends a request made by the caller to a
// site, checks the status line, skips to the line that opens the HTML
// document and returns the document's lines joined into one text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Where a site setting points. The value is a host name or dotted address,
// optionally with ":port"; a value that begins with "https://" is reached
// through TLS (port 443 unless given).
struct SiteAddress {
  std::string host;        // what is resolved and, with TLS, verified
  uint16_t port = 80;
  bool tls = false;
  std::string hostHeader;  // what the "Host: " header carries
  bool valid = false;      // false for an empty host or a port out of range
};
SiteAddress ParseSite(std::string_view site);

// A fetch never holds more than this much page text, and never lasts longer
// than kFetchTimeLimitMs, whatever the server sends or withholds.
constexpr std::size_t kMaxPageBytes = 16u << 20;
constexpr int64_t kFetchTimeLimitMs = 60000;
// Seconds of empty polls one line may take (ReadLine's limit).
constexpr int kFetchLineSeconds = 5;

// Sends `request` (its lines each ended by CR LF) and one more CR LF to the
// site; appends the document to `page`. True when the status line held
// "200" and the document was read through its "</html>" line; false after
// the failure has been said to the user. Every path releases the reader,
// the connection and the socket library.
bool FetchPage(std::string_view site, std::string_view request, std::string& page);
