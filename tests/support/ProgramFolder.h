// A throw-away program folder with helpers to put and read its files.
#pragma once

#include "TestText.h"

#include <filesystem>
#include <string>
#include <vector>

class ProgramFolder {
public:
    ProgramFolder();
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder &) = delete;
    ProgramFolder &operator=(const ProgramFolder &) = delete;

    std::u16string path() const { return m_path; }
    std::u16string file(const std::u16string &name) const { return m_path + u'/' + name; }
    // Writes the text as CP932 with every "\n" turned into CR LF.
    void writeIni(const std::u16string &text) const;
    void writeBytes(const std::u16string &name, const std::string &bytes) const;
    std::string readBytes(const std::u16string &name) const;
    // The file decoded from CP932, CR LF kept.
    std::u16string readText(const std::u16string &name) const;
    bool exists(const std::u16string &name) const;

private:
    std::u16string m_path;
};

// A path as the file system takes it.
std::filesystem::path nativePath(const std::u16string &path);

// What tests do to files and folders around the program.
bool makeFolder(const std::u16string &path);   // one level; false when it is there
bool removeFolder(const std::u16string &path); // an empty one
bool removeFile(const std::u16string &path);
bool makeLink(const std::u16string &target, const std::u16string &link);
// chmod: the permission bits as given, e.g. 0500.
bool setMode(const std::u16string &path, unsigned mode);
// The names of the files in a folder, hidden ones too, in name order.
std::vector<std::u16string> fileNames(const std::u16string &folder);
// Sets the file's modification time `seconds` from now.
bool touchAhead(const std::u16string &path, int seconds);
