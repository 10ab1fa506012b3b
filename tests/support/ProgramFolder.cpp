#include "ProgramFolder.h"

#include "platform/Cp932.h"
#include "platform/Files.h"
#include "text/Text.h"
#include "text/Utf.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

std::filesystem::path nativePath(const std::u16string &path)
{
#ifdef _WIN32
    // Windows' wide characters are UTF-16 already; the standard library's own
    // conversion from char16_t loses what is not ASCII there.
    return std::filesystem::path(
        std::wstring(reinterpret_cast<const wchar_t *>(path.data()), path.size()));
#else
    return std::filesystem::path(path);
#endif
}

namespace {
std::u16string fromPath(const std::filesystem::path &path)
{
#ifdef _WIN32
    const std::wstring wide = path.wstring();
    return std::u16string(reinterpret_cast<const char16_t *>(wide.data()), wide.size());
#else
    return Utf::fromUtf8(path.string());
#endif
}
} // namespace

#ifdef _WIN32
// Windows has no permission bits: what the tests do to files goes through the
// standard library.
bool makeFolder(const std::u16string &path)
{
    std::error_code error;
    return std::filesystem::create_directory(nativePath(path), error);
}

bool removeFolder(const std::u16string &path)
{
    std::error_code error;
    return std::filesystem::is_directory(nativePath(path), error) &&
           std::filesystem::remove(nativePath(path), error);
}

bool removeFile(const std::u16string &path)
{
    std::error_code error;
    return !std::filesystem::is_directory(nativePath(path), error) &&
           std::filesystem::remove(nativePath(path), error);
}

bool makeLink(const std::u16string &target, const std::u16string &link)
{
    std::error_code error;
    std::filesystem::create_directory_symlink(nativePath(target), nativePath(link), error);
    return !error;
}

bool setMode(const std::u16string &path, unsigned mode)
{
    std::error_code error;
    std::filesystem::permissions(nativePath(path), static_cast<std::filesystem::perms>(mode),
                                 error);
    return !error;
}
#else

bool makeFolder(const std::u16string &path)
{
    return ::mkdir(nativePath(path).c_str(), 0777) == 0;
}

bool removeFolder(const std::u16string &path)
{
    return ::rmdir(nativePath(path).c_str()) == 0;
}

bool removeFile(const std::u16string &path)
{
    return ::unlink(nativePath(path).c_str()) == 0;
}

bool makeLink(const std::u16string &target, const std::u16string &link)
{
    return ::symlink(nativePath(target).c_str(), nativePath(link).c_str()) == 0;
}

bool setMode(const std::u16string &path, unsigned mode)
{
    return ::chmod(nativePath(path).c_str(), static_cast<mode_t>(mode)) == 0;
}
#endif

std::vector<std::u16string> fileNames(const std::u16string &folder)
{
    std::vector<std::u16string> names;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(nativePath(folder), error)) {
        if (entry.is_regular_file(error))
            names.push_back(fromPath(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool touchAhead(const std::u16string &path, int seconds)
{
    std::error_code error;
    const std::filesystem::path file(nativePath(path));
    std::filesystem::last_write_time(
        file, std::filesystem::file_time_type::clock::now() + std::chrono::seconds(seconds), error);
    return !error;
}

ProgramFolder::ProgramFolder()
{
#ifdef _WIN32
    std::error_code error;
    // A fresh Wine prefix names a temporary folder it has not made yet.
    const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    std::filesystem::create_directories(temp, error);
    std::mt19937 random(
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
        const std::filesystem::path folder = temp / ("nubrel-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(folder, error))
            m_path = Files::fromNativeSeparators(fromPath(folder));
    }
#else
    char name[] = "/tmp/nubrel-test-XXXXXX";
    if (::mkdtemp(name))
        m_path = Utf::fromUtf8(name);
#endif
}

ProgramFolder::~ProgramFolder()
{
    if (m_path.empty())
        return;
    // A test may have left a folder it could not enter: make it removable first.
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(
             nativePath(m_path), std::filesystem::directory_options::skip_permission_denied,
             ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(nativePath(m_path), ignored);
}

void ProgramFolder::writeIni(const std::u16string &text) const
{
    std::u16string crlf = text;
    Text::replaceAll(crlf, u"\n", u"\r\n");
    writeBytes(u"Nubrel.ini", Cp932::encode(crlf));
}

void ProgramFolder::writeBytes(const std::u16string &name, const std::string &bytes) const
{
    std::ofstream f(nativePath(file(name)), std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ProgramFolder::readBytes(const std::u16string &name) const
{
    std::ifstream f(nativePath(file(name)), std::ios::binary);
    if (!f)
        return {};
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::u16string ProgramFolder::readText(const std::u16string &name) const
{
    return Cp932::decode(readBytes(name));
}

bool ProgramFolder::exists(const std::u16string &name) const
{
    std::error_code ignored;
    return std::filesystem::exists(nativePath(file(name)), ignored);
}
