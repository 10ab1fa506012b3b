// Files on Windows through the W functions, so every name reads as it is
// spelled whatever the system's code page; every failure is seen where it
// happens.
#include "platform/Files.h"

#include "frontend/win32/Win32Text.h"

#include <random>
#include <windows.h>
// After windows.h, which they build on.
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

namespace Files {

namespace {

std::wstring nativePath(const std::u16string &path)
{
    return toWide(toNativeSeparators(path));
}

// A file handle closed when it goes out of scope.
class Handle {
public:
    explicit Handle(HANDLE h) : m_h(h) {}
    ~Handle() { close(); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    bool ok() const { return m_h != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_h; }
    bool close()
    {
        if (!ok())
            return true;
        const bool closed = CloseHandle(m_h) != 0;
        m_h = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE m_h;
};

bool writeAll(HANDLE file, std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Writes the whole file where it is: for a folder that takes no new file.
bool writeInPlace(const std::wstring &target, std::string_view bytes)
{
    Handle file(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok())
        return false;
    bool ok = writeAll(file.get(), bytes);
    ok = ok && FlushFileBuffers(file.get());
    return file.close() && ok;
}

} // namespace

bool append(const std::u16string &path, std::string_view bytes)
{
    Handle file(CreateFileW(nativePath(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok())
        return false;
    const bool written = writeAll(file.get(), bytes);
    return file.close() && written;
}

bool replace(const std::u16string &path, std::string_view bytes)
{
    const std::wstring target = nativePath(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    // A file the user made read-only stays as it is; a folder is no file.
    if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;

    static std::minstd_rand random{std::random_device{}()};
    std::wstring temporary;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = target + L'.' + std::to_wstring(random() % 1000000);
        created = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (created == INVALID_HANDLE_VALUE)
        return exists && writeInPlace(target, bytes);
    Handle file(created);
    bool ok = writeAll(file.get(), bytes);
    ok = ok && FlushFileBuffers(file.get());
    ok = file.close() && ok;
    ok = ok && MoveFileExW(temporary.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        DeleteFileW(temporary.c_str());
    return ok;
}

namespace {
// Reads from where the file stands to the end.
bool readToEnd(HANDLE file, std::string &bytes)
{
    bytes.clear();
    char buffer[65536];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &n, nullptr))
            return false;
        if (n == 0)
            return true;
        bytes.append(buffer, n);
    }
}

HANDLE openForReading(const std::u16string &path)
{
    return CreateFileW(nativePath(path).c_str(), GENERIC_READ, ShareAll, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A file, not a folder.
bool isReadableFile(const Handle &file)
{
    BY_HANDLE_FILE_INFORMATION about{};
    return file.ok() && GetFileInformationByHandle(file.get(), &about) &&
           !(about.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}
} // namespace

bool read(const std::u16string &path, std::string &bytes)
{
    Handle file(openForReading(path));
    return isReadableFile(file) && readToEnd(file.get(), bytes);
}

bool readTail(const std::u16string &path, std::size_t maxBytes, std::string &bytes, bool &whole)
{
    Handle file(openForReading(path));
    if (!isReadableFile(file))
        return false;
    LARGE_INTEGER size{};
    LARGE_INTEGER from{};
    if (GetFileSizeEx(file.get(), &size) && size.QuadPart > static_cast<LONGLONG>(maxBytes))
        from.QuadPart = size.QuadPart - static_cast<LONGLONG>(maxBytes);
    if (from.QuadPart > 0 && !SetFilePointerEx(file.get(), from, nullptr, FILE_BEGIN))
        return false;
    whole = from.QuadPart == 0;
    return readToEnd(file.get(), bytes);
}

bool resize(const std::u16string &path, std::int64_t size)
{
    Handle file(CreateFileW(nativePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok())
        return false;
    LARGE_INTEGER at{};
    at.QuadPart = size;
    const bool cut =
        SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) && SetEndOfFile(file.get());
    return file.close() && cut;
}

bool remove(const std::u16string &path)
{
    return DeleteFileW(nativePath(path).c_str()) != 0;
}

std::optional<Info> info(const std::u16string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(nativePath(path).c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    Info result;
    result.isFile = !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    result.isHidden = (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    result.isSystem = (data.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0;
    result.size = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    // 100-nanosecond steps since 1601.
    const std::int64_t ticks =
        (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
        data.ftLastWriteTime.dwLowDateTime;
    result.modified = ticks * 100;
    return result;
}

bool exists(const std::u16string &path)
{
    return info(path).has_value();
}

Listing list(const std::u16string &folder)
{
    Listing listing;
    std::wstring pattern = nativePath(folder);
    if (!pattern.empty() && pattern.back() != L'\\')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return listing;
    do {
        const std::wstring_view name(found.cFileName);
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A junction or a linked folder could lead in a circle.
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                listing.folders.push_back(fromWide(name));
        } else {
            listing.files.push_back(fromWide(name));
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return listing;
}

bool makeFolders(const std::u16string &folder)
{
    const std::wstring path = nativePath(folder);
    const auto isFolder = [&path] {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    };
    // The new folder takes the ACL its parent passes on: under the user's
    // profile, the user's alone.
    if (CreateDirectoryW(path.c_str(), nullptr))
        return true;
    if (GetLastError() != ERROR_PATH_NOT_FOUND)
        return isFolder(); // there already, or made meanwhile
    const std::size_t slash = folder.find_last_of(u'/');
    // Nothing above a drive's root or a share to make.
    if (slash == std::u16string::npos || slash < 3 || !makeFolders(folder.substr(0, slash)))
        return false;
    return CreateDirectoryW(path.c_str(), nullptr) || isFolder();
}

std::u16string userDataHome()
{
    PWSTR path = nullptr;
    const HRESULT result = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path);
    // The buffer is the caller's to free, whether the call succeeded or not.
    std::u16string folder = SUCCEEDED(result) && path ? fromWide(path) : std::u16string();
    CoTaskMemFree(path);
    return fromNativeSeparators(folder);
}

bool isAbsolute(std::u16string_view path)
{
    const auto separator = [](char16_t c) { return c == u'\\' || c == u'/'; };
    if (!path.empty() && separator(path[0]))
        return true; // the current drive's root, or \\server\share
    return path.size() >= 3 && path[1] == u':' && separator(path[2]);
}

std::u16string toNativeSeparators(std::u16string_view path)
{
    std::u16string out(path);
    for (char16_t &c : out) {
        if (c == u'/')
            c = u'\\';
    }
    return out;
}

std::u16string fromNativeSeparators(std::u16string_view path)
{
    std::u16string out(path);
    for (char16_t &c : out) {
        if (c == u'\\')
            c = u'/';
    }
    return out;
}

} // namespace Files
