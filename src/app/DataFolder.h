// Where the program keeps the files it writes (settings, history, log,
// phonebook): beside itself when it may write there, as every portable copy
// and every existing installation does; else in the user's own data folder,
// made at the first start and given the shipped settings file. Decided once,
// at start-up; icons and the manual always come from the program folder.
#pragma once

#include <string>

class DataFolder {
public:
    // The file the probe makes and removes again.
    static constexpr char16_t ProbeName[] = u".Nubrel-write-test";

    // Everything in the program folder; a folder converts, so whatever takes
    // the folders takes a portable program folder as it is.
    DataFolder(std::u16string programFolder); // NOLINT(google-explicit-constructor)

    // `userDataHome` is the system's folder for each user's program data
    // (Files::userDataHome()); the program's own folder is made inside it.
    static DataFolder choose(const std::u16string &programFolder,
                             const std::u16string &userDataHome);

    // Whether a file can be made and removed in the folder: permission bits
    // cannot tell (root, access lists, a read-only mount), trying can.
    static bool writable(const std::u16string &folder);

    const std::u16string &programFolder() const { return m_program; }
    const std::u16string &path() const { return m_data; }
    // The user's folder the program needed and could not make or write: the
    // files stay in the program folder, read but not written. Empty otherwise.
    const std::u16string &unusable() const { return m_unusable; }
    bool failed() const { return m_failed; }

private:
    // Gives a user's folder the shipped settings file at the first start and,
    // later, the product entries a newer program brings.
    static void seed(const std::u16string &programFolder, const std::u16string &dataFolder);

    std::u16string m_program;
    std::u16string m_data;
    std::u16string m_unusable;
    bool m_failed = false;
};
