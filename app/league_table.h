// The league tables of Séries A, B and C, fetched from the league-table
// site and cut into one line per team.
#pragma once

#include <string>
#include <vector>

// Series 1, 2 or 3. Appends the lines to `lines`. True when the page was
// fetched (even when no team was found); false when the fetch failed, after
// the user has been told why.
bool FetchLeagueTable(int series, std::vector<std::string>& lines);
