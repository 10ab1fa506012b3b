// The files the program reads and writes, by path. Writes never leave a file
// half-written. Each platform provides these functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Files {

// Appends in one write and closes the file again; creates it when missing.
// False when nothing (or not everything) could be written.
bool append(const std::u16string &path, std::string_view bytes);
// Replaces the whole file through a temporary file in the same folder, flushed
// to the disk, and a rename, so readers see the old or the new file, never a
// broken one; where the folder takes no temporary file, a writable file is
// written in place.
bool replace(const std::u16string &path, std::string_view bytes);
// Reads the whole file; false when it is missing or unreadable.
bool read(const std::u16string &path, std::string &bytes);
// Reads at most the last `maxBytes` of the file; `whole` tells whether that
// was all of it.
bool readTail(const std::u16string &path, std::size_t maxBytes, std::string &bytes, bool &whole);
// Cuts the file back (or extends it) to `size` bytes.
bool resize(const std::u16string &path, std::int64_t size);
bool remove(const std::u16string &path);

struct Info {
    bool isFile = false; // a regular file, or a link to one
    bool isHidden = false;
    bool isSystem = false; // a file the system keeps for itself; never on POSIX
    std::int64_t size = 0;
    // The last modification, in nanoseconds of the system's clock; only
    // compared with another reading of the same file.
    std::int64_t modified = 0;
};
// Nothing when the path names nothing (or a link to nothing).
std::optional<Info> info(const std::u16string &path);
bool exists(const std::u16string &path);

// The entries of one folder, in no particular order: its sub-folders (links
// to folders left out, so a listing never leads in a circle) and its files.
// Hidden entries are left out, as the system's own listers do. An unreadable
// folder lists nothing.
struct Listing {
    std::vector<std::u16string> folders;
    std::vector<std::u16string> files;
};
Listing list(const std::u16string &folder);

// Makes the folder and every missing folder above it, each new one for the
// user alone; true when the path is a folder afterwards.
bool makeFolders(const std::u16string &folder);
// The folder the system gives each user for programs' own data, with '/'
// separators; empty when the system names none.
std::u16string userDataHome();

// Whether a path starts at a root rather than at some folder.
bool isAbsolute(std::u16string_view path);
// A path as the user reads it, with the platform's separators; and back to
// the '/' the program builds its paths with.
std::u16string toNativeSeparators(std::u16string_view path);
std::u16string fromNativeSeparators(std::u16string_view path);

} // namespace Files
