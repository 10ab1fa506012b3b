#include "ProgramFolder.h"

#include "platform/Cp932.h"
#include "text/Text.h"
#include "text/Utf.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

std::string nativePath(const std::u16string &path)
{
    return Utf::toUtf8(path);
}

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

std::vector<std::u16string> fileNames(const std::u16string &folder)
{
    std::vector<std::u16string> names;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(nativePath(folder), error)) {
        if (entry.is_regular_file(error))
            names.push_back(Utf::fromUtf8(entry.path().filename().string()));
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
    char name[] = "/tmp/nubrel-test-XXXXXX";
    if (::mkdtemp(name))
        m_path = Utf::fromUtf8(name);
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
