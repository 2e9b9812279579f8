// Text tools of the two scrapers: the repair of UTF-8 accented letters into
// 8-bit ones, blank trimming, and searches over a page that the scrapers
// cut from the front as they go.
//
// The scrapers describe their work as deleting the front of the page and
// searching the rest again. Here the page is never copied: the "current
// text" is an offset into the page, and each search remembers its last
// answer, which stays the first occurrence for any later start up to it.
// A scraper therefore reads its page a bounded number of times whatever it
// holds, and a page of tens of megabytes is cut in a fraction of a second.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Turns the two-byte UTF-8 forms of the Portuguese accented letters into
// their Windows-1252 bytes (capital C cedilla gives the small one); every
// other byte stays.
std::string RepairAccents(std::string_view text);
// The same, made in place (the text can only shrink).
void RepairAccentsInPlace(std::string& text);

// Removes blanks (character 32 only) from both ends.
std::string TrimBlanks(std::string_view text);
std::string_view TrimBlanksView(std::string_view text);

// One field cut out of a page is kept to this many bytes, and one scrape
// gives at most kMaxScrapedBytes of lines: a page made to stretch a field
// over megabytes cannot make the program's memory grow with the square of
// its size.
constexpr std::size_t kMaxFieldBytes = 1024;
constexpr std::size_t kMaxScrapedBytes = 64u << 20;

// A search for one marker at one place of a scraper, with its last answer.
struct PageSearch {
  std::string_view marker;
  std::size_t from = std::string_view::npos;
  std::size_t found = std::string_view::npos;
};
// Index of the first occurrence of the marker in `page` at or after `from`;
// npos when there is none.
std::size_t FindFrom(std::string_view page, PageSearch& search, std::size_t from);

// The first byte that is not a blank at or after `from` (page.size() when
// none), with its last answer remembered like a PageSearch.
struct BlankSkip {
  std::size_t from = std::string_view::npos;
  std::size_t found = 0;
};
std::size_t FirstNonBlankFrom(std::string_view page, BlankSkip& skip, std::size_t from);

// page[begin, end) clipped to the page and cut at kMaxFieldBytes.
std::string PageField(std::string_view page, std::size_t begin, std::size_t end);
void AppendPageField(std::string& out, std::string_view page, std::size_t begin, std::size_t end);
