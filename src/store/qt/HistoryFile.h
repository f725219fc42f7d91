#pragma once

#include "store/History.h"

#include <QByteArray>

#include <string>
#include <vector>

// history.json: a compact JSON array of objects with the keys "id" (an upper-case UUID), "text", "date" (seconds
// since the reference date), "pinned" and "isTable".
namespace HistoryFile {
// Returns the file content. Invalid UTF-8 in a text is written as U+FFFD so that the file always reads back.
QByteArray encode(const std::vector<HistoryItem>& items);

struct Read
{
    std::vector<HistoryItem> items; // every entry that could be read, in file order
    bool whole = true;              // false when anything in the file could not be read
};
// Reads a file's content. A damaged file gives the entries that can still be read: a file cut short gives those
// before the cut, and a malformed entry is left out on its own.
Read decode(const QByteArray& json);

// Returns a new random (version 4) UUID in its upper-case 36-character form.
std::string newId();
} // namespace HistoryFile
