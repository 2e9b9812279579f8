// The program's dialogue: the main menu (three series, the manual, the
// end), the menu of one series (league table, round information, back) and
// the list views that turn scraped lines into a menu of one spoken line per
// option. Every menu is drawn and run by the menu selector; every fixed
// phrase comes from the message catalogue.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The editor the manual opens in, and the manual (relative to the working
// folder, the installation folder).
inline constexpr std::string_view kEditorFile = "C:\\talmar\\plumet.exe";
inline constexpr std::string_view kManualFile = "manual\\ligafala.txt";

// The site path of a series' round page (series 1, 2 or 3); empty for any
// other number.
std::string_view RoundPagePath(int series);

// Appends an option with the sentence of `key`, announced from its
// recording "som\ligafala\KEY" when that is installed.
void AddMessageOption(std::string_view key);

// Runs until the user confirms the end, then says the farewell and waits
// for it (a key cuts it short).
void MainMenu();
// Runs until the user goes back. Series 1 = A, 2 = B, 3 = C.
void SeriesMenu(int series);
// Fetch the lines once, then browse them until the user leaves with Esc.
void ShowLeagueTable(int series);
void ShowRoundInfo(int series);
// Browses lines already fetched: the menu of the cleaned lines, opened
// again from its first line after every Enter, until Esc.
void BrowseListLines(const std::vector<std::string>& lines);

// Removes the state suffixes the sites add to team names, and names the one
// team the sites abbreviate.
std::string CleanListLine(std::string_view line);
