// Files on POSIX: plain system calls, so that every failure is seen where it
// happens (a full disk on write, a refused rename) and none is hidden in a buffer.
#include "platform/Files.h"

#include "text/Utf.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace Files {

namespace {

std::string nativePath(const std::u16string &path)
{
    return Utf::toUtf8(path);
}

// Writes all of `bytes`, going on after a write that took only part of them.
bool writeAll(int fd, std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Opens `path` for reading, refusing a folder.
int openForReading(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A new file beside `target`, open for writing, that no other name uses.
int createTemporary(const std::string &target, mode_t mode, std::string &name)
{
    static std::minstd_rand random{std::random_device{}()};
    static constexpr char Letters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + '.';
        for (int i = 0; i < 6; ++i)
            name += Letters[random() % (sizeof Letters - 1)];
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

bool append(const std::u16string &path, std::string_view bytes)
{
    const int fd =
        ::open(nativePath(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, bytes);
    const bool closed = ::close(fd) == 0;
    return written && closed;
}

bool replace(const std::u16string &path, std::string_view bytes)
{
    std::string target = nativePath(path);
    // A link is replaced at its target, so the link stays a link.
    if (char *resolved = ::realpath(target.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    // A file the user made read-only stays as it is. Asked with this
    // process's effective rights: access() asks with the real user's, which
    // for root ignore the rights a process has given up.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return false;

    // Until it has the old file's permissions, nobody else may read the new one.
    std::string temporary;
    const int fd = createTemporary(target, exists ? 0600 : 0666, temporary);
    if (fd < 0) {
        // A folder the user cannot write to still holds a file they may
        // write: then it is written in place, as an in-place writer would.
        if (!exists)
            return false;
        const int direct = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (direct < 0)
            return false;
        bool written = writeAll(direct, bytes) && ::fsync(direct) == 0;
        written = ::close(direct) == 0 && written;
        return written;
    }
    bool ok = writeAll(fd, bytes);
    if (ok && exists)
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

namespace {
// Reads from where `fd` stands to the end, and closes it.
bool readToEnd(int fd, std::string &bytes)
{
    bytes.clear();
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ok;
}
} // namespace

bool read(const std::u16string &path, std::string &bytes)
{
    const int fd = openForReading(nativePath(path));
    if (fd < 0)
        return false;
    return readToEnd(fd, bytes);
}

bool readTail(const std::u16string &path, std::size_t maxBytes, std::string &bytes, bool &whole)
{
    const int fd = openForReading(nativePath(path));
    if (fd < 0)
        return false;
    struct stat about {};
    off_t from = 0;
    if (::fstat(fd, &about) == 0 && about.st_size > static_cast<off_t>(maxBytes))
        from = about.st_size - static_cast<off_t>(maxBytes);
    if (from > 0 && ::lseek(fd, from, SEEK_SET) < 0) {
        ::close(fd);
        return false;
    }
    whole = from == 0;
    return readToEnd(fd, bytes);
}

bool resize(const std::u16string &path, std::int64_t size)
{
    return ::truncate(nativePath(path).c_str(), static_cast<off_t>(size)) == 0;
}

bool remove(const std::u16string &path)
{
    return ::unlink(nativePath(path).c_str()) == 0;
}

std::optional<Info> info(const std::u16string &path)
{
    struct stat st {};
    if (::stat(nativePath(path).c_str(), &st) != 0)
        return std::nullopt;
    const std::size_t slash = path.find_last_of(u'/');
    const std::u16string_view name = slash == std::u16string::npos
                                         ? std::u16string_view(path)
                                         : std::u16string_view(path).substr(slash + 1);
    Info result;
    result.isFile = S_ISREG(st.st_mode);
    result.isHidden = !name.empty() && name.front() == u'.';
    result.size = static_cast<std::int64_t>(st.st_size);
    result.modified =
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return result;
}

bool exists(const std::u16string &path)
{
    return info(path).has_value();
}

Listing list(const std::u16string &folder)
{
    Listing listing;
    std::string base = nativePath(folder);
    if (!base.empty() && base.back() != '/')
        base += '/';
    DIR *dir = ::opendir(base.c_str());
    if (!dir)
        return listing;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.empty() || name.front() == '.')
            continue; // ".", ".." and hidden entries
        const std::string path = base + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            listing.folders.push_back(Utf::fromUtf8(name));
            continue;
        }
        // A link to a file is a file; a link to a folder, or to nothing, is left out.
        if (S_ISLNK(st.st_mode) && ::stat(path.c_str(), &st) != 0)
            continue;
        if (S_ISREG(st.st_mode))
            listing.files.push_back(Utf::fromUtf8(name));
    }
    ::closedir(dir);
    return listing;
}

bool makeFolders(const std::u16string &folder)
{
    const std::string path = nativePath(folder);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (::mkdir(path.c_str(), 0700) == 0)
        return true;
    if (errno != ENOENT)
        return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode); // made meanwhile
    const std::size_t slash = folder.find_last_of(u'/');
    if (slash == std::u16string::npos || slash == 0 || !makeFolders(folder.substr(0, slash)))
        return false;
    return ::mkdir(path.c_str(), 0700) == 0 ||
           (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

std::u16string userDataHome()
{
    // A relative XDG_DATA_HOME means nothing for a desktop's programs: it is
    // ignored, as they ignore it.
    const char *xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/')
        return Utf::fromUtf8(xdg);
    std::string home;
    if (const char *env = std::getenv("HOME"); env && env[0] == '/')
        home = env;
    else if (const struct passwd *user = ::getpwuid(::geteuid()); user && user->pw_dir)
        home = user->pw_dir;
    if (home.empty() || home[0] != '/')
        return {};
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return Utf::fromUtf8(home == "/" ? "/.local/share" : home + "/.local/share");
}

bool isAbsolute(std::u16string_view path)
{
    return !path.empty() && path.front() == u'/';
}

std::u16string toNativeSeparators(std::u16string_view path)
{
    return std::u16string(path);
}

std::u16string fromNativeSeparators(std::u16string_view path)
{
    return std::u16string(path);
}

} // namespace Files
