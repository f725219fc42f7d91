#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One text put on the clipboard by a capture or the document window's copy command.
struct HistoryItem
{
    std::string id;      // upper-case hyphenated UUID, 36 characters
    std::string text;    // trimmed of surrounding whitespace and line breaks
    double date = 0;     // seconds since 2001-01-01 00:00:00 UTC, the file's reference date
    bool pinned = false; // pinned entries survive the size limit
    bool isTable = false;

    // Returns the first non-empty line, cut to 90 characters followed by "…" when longer.
    std::string preview() const;
    bool operator==(const HistoryItem&) const = default;
};

// The history's rules as pure functions over the list, newest first. The shared observable store that persists the
// list is store/qt/HistoryStore.h, in the file format of store/qt/HistoryFile.h.
namespace History {
// Unpinned entries kept; pinned ones come on top of these.
inline constexpr std::size_t maxItems = 50;
// Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC, the reference date of the file's "date" numbers.
inline constexpr double referenceDateOffset = 978307200.0;

// Returns the text without leading and trailing spaces, tabs, line breaks and other ASCII whitespace.
std::string trimmed(std::string_view text);

// Puts a capture at the front of `items` unless its trimmed text is empty or repeats the newest entry, then trims
// the unpinned entries to `maxItems`. Returns true when the list changed (and so must be saved).
bool add(std::vector<HistoryItem>& items, std::string_view text, bool isTable, std::string id, double date,
         std::size_t limit = maxItems);
// Keeps every pinned entry and the first `limit` unpinned ones, in their current order.
void trim(std::vector<HistoryItem>& items, std::size_t limit = maxItems);
// Flips `pinned` of the entry with this id; false (nothing changed) when there is none.
bool togglePin(std::vector<HistoryItem>& items, std::string_view id);
// Removes every entry with this id.
void remove(std::vector<HistoryItem>& items, std::string_view id);

// Returns the current time as seconds since the reference date.
double now();
} // namespace History
