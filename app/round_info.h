// The matches of the current round of a series, fetched from the
// match-information site and cut into one line per match.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// `path` is the series' page on the site. Appends the lines to `lines`.
// True when the page was fetched (even when no match was found); false
// when the fetch failed, after the user has been told why.
bool FetchRoundInfo(std::string_view path, std::vector<std::string>& lines);

// The match-information site: setting "SITERODADA" of section "LIGAFALA",
// or the public site when it is not set.
std::string RoundInfoSite();

// The request for a series' round page; `hostHeader` is what "Host: "
// carries.
std::string RoundInfoRequest(std::string_view path, std::string_view hostHeader);

// One line per match block of a fetched page.
void ScrapeRoundInfo(std::string_view page, std::vector<std::string>& lines);
