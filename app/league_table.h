// The league tables of Séries A, B and C, fetched from the league-table
// site and cut into one line per team.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Series 1, 2 or 3. Appends the lines to `lines`. True when the page was
// fetched (even when no team was found); false when the fetch failed, after
// the user has been told why.
bool FetchLeagueTable(int series, std::vector<std::string>& lines);

// The league-table site: setting "SITETABELA" of section "LIGAFALA", or the
// public site when it is not set.
std::string LeagueTableSite();

// The request for one series' table; `hostHeader` is what "Host: " carries.
std::string LeagueTableRequest(int series, std::string_view hostHeader);

// The lines of a fetched page: Séries A and B one line per team, Série C
// its two groups, each headed by its name.
void ScrapeLeagueTable(int series, std::string_view page, std::vector<std::string>& lines);

// One line per `class="time"` entry of `text`: name, position in the text
// and points, with the accents repaired.
void TeamLoop(std::string_view text, std::vector<std::string>& lines);
