// The About box's search for the browser's executable: the whole tree under a
// directory, depth first, every sub-directory before the directory's own files.
#pragma once

#include <string>

class EventPump;

// Looks for a file named `fileName` (compared without regard to case) under
// `directory`. Does nothing when `found` is already set; otherwise sets it to
// the full path of the first match, spelled as stored, or leaves it empty.
// Sub-directories are taken in name order (case-insensitive), each whole
// sub-tree before the next; the directory's own files come last. Pending
// events run before each descent; when the pump says the program is ending,
// the walk stops at once and the result is false (`found` stays empty).
// Directories that cannot be read, hidden entries and links to directories
// (which could lead in a circle) are passed over.
bool FindFile(const std::u16string &fileName, const std::u16string &directory,
              std::u16string &found, EventPump &events);
