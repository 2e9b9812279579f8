#include "app/scrape_text.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr uint8_t kUtf8Lead = 0xC3;

// The repairs, in the order they are made: the second byte of the UTF-8
// form and the Windows-1252 byte that replaces the pair.
struct AccentRepair {
  uint8_t second;
  uint8_t replacement;
};
constexpr AccentRepair kAccentRepairs[] = {
    {0xA1, 0xE1}, {0xA3, 0xE3}, {0xA0, 0xE0}, {0xA2, 0xE2}, {0xA9, 0xE9}, {0xA8, 0xE8},
    {0xAA, 0xEA}, {0xAD, 0xED}, {0xAC, 0xEC}, {0xAE, 0xEE}, {0xB3, 0xF3}, {0xB5, 0xF5},
    {0xB2, 0xF2}, {0xB4, 0xF4}, {0xBA, 0xFA}, {0xB9, 0xF9}, {0xBB, 0xFB}, {0x81, 0xC1},
    {0x87, 0xE7}, {0xA7, 0xE7}, {0x83, 0xC3}, {0x80, 0xC0}, {0x82, 0xC2}, {0x89, 0xC9},
    {0x88, 0xC8}, {0x8A, 0xCA}, {0x8D, 0xCD}, {0x8C, 0xCC}, {0x8E, 0xCE}, {0x93, 0xD3},
    {0x95, 0xD5}, {0x92, 0xD2}, {0x94, 0xD4}, {0x9A, 0xDA}, {0x99, 0xD9}, {0x9B, 0xDB},
    {0x9C, 0xDC}, {0xBC, 0xFC},
};
// The one repair whose result is itself a lead byte: capital A tilde.
constexpr uint8_t kLeadMakingSecond = 0x83;

struct RepairTable {
  std::array<uint8_t, 256> row{};  // 1-based position in kAccentRepairs; 0: none
  std::array<uint8_t, 256> replacement{};
};

constexpr RepairTable MakeRepairTable() {
  RepairTable table;
  uint8_t row = 0;
  for (const AccentRepair& repair : kAccentRepairs) {
    ++row;
    table.row[repair.second] = row;
    table.replacement[repair.second] = repair.replacement;
  }
  return table;
}
constexpr RepairTable kRepairTable = MakeRepairTable();

}  // namespace

// The repairs are made as if one after another over the whole text, each
// replacing every occurrence of its pair. Letter case is folded for a to z
// only, which no pair contains, so each pair is matched exactly. Pairs
// never overlap (no second byte is a lead byte), so one pass makes them
// all; the only repair whose result can pair with the next byte is the one
// that gives 0xC3 itself, and that new pair is made only by the repairs
// that come after it.
void RepairAccentsInPlace(std::string& text) {
  std::size_t i = text.find(static_cast<char>(kUtf8Lead));
  if (i == std::string::npos) return;
  const uint8_t leadMakingRow = kRepairTable.row[kLeadMakingSecond];
  const std::size_t size = text.size();
  std::size_t out = i;
  for (; i < size; ++i) {
    const auto byte = static_cast<uint8_t>(text[i]);
    if (byte != kUtf8Lead || i + 1 >= size) {
      text[out++] = static_cast<char>(byte);
      continue;
    }
    const auto second = static_cast<uint8_t>(text[i + 1]);
    const uint8_t row = kRepairTable.row[second];
    if (row == 0) {
      text[out++] = static_cast<char>(byte);
      continue;
    }
    if (row == leadMakingRow && i + 2 < size) {
      const auto next = static_cast<uint8_t>(text[i + 2]);
      if (kRepairTable.row[next] > leadMakingRow) {
        text[out++] = static_cast<char>(kRepairTable.replacement[next]);
        i += 2;
        continue;
      }
    }
    text[out++] = static_cast<char>(kRepairTable.replacement[second]);
    ++i;
  }
  text.resize(out);
}

std::string RepairAccents(std::string_view text) {
  std::string out(text);
  RepairAccentsInPlace(out);
  return out;
}

std::string_view TrimBlanksView(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string TrimBlanks(std::string_view text) { return std::string(TrimBlanksView(text)); }

std::size_t FindFrom(std::string_view page, PageSearch& search, std::size_t from) {
  if (from > page.size()) from = page.size();
  const bool remembered = search.from != std::string_view::npos && from >= search.from &&
                          (search.found == std::string_view::npos || from <= search.found);
  if (!remembered) {
    search.from = from;
    search.found = page.find(search.marker, from);
  }
  return search.found;
}

std::size_t FirstNonBlankFrom(std::string_view page, BlankSkip& skip, std::size_t from) {
  if (from > page.size()) from = page.size();
  const bool remembered = skip.from != std::string_view::npos && from >= skip.from &&
                          from <= skip.found;
  if (!remembered) {
    skip.from = from;
    std::size_t i = from;
    while (i < page.size() && page[i] == ' ') ++i;
    skip.found = i;
  }
  return skip.found;
}

std::string PageField(std::string_view page, std::size_t begin, std::size_t end) {
  std::string field;
  AppendPageField(field, page, begin, end);
  return field;
}

void AppendPageField(std::string& out, std::string_view page, std::size_t begin, std::size_t end) {
  begin = std::min(begin, page.size());
  end = std::clamp(end, begin, page.size());
  out.append(page.substr(begin, std::min(end - begin, kMaxFieldBytes)));
}
