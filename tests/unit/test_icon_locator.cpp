// Where the icon files are looked for: current directory, then program folder.
#include "app/IconLocator.h"

#include "TestText.h"
#include "text/Text.h"
#include <vector>

#include <gtest/gtest.h>

TEST(locateIconFile, CurrentDirectoryFirstThenProgramFolder)
{
    struct Case {
        const char *what;
        std::u16string currentDir;
        std::u16string programFolder;
        std::vector<std::u16string> loadable;
        std::u16string expected;
        std::vector<std::u16string> tried;
    } cases[] = {
        {"both load: the current directory wins",
         u"/run/cur"s,
         u"/opt/nubrel"s,
         {u"/run/cur/PhoneA.Ico"s, u"/opt/nubrel/PhoneA.Ico"s},
         u"/run/cur/PhoneA.Ico"s,
         {u"/run/cur/PhoneA.Ico"s}},
        {"only the program folder's loads",
         u"/run/cur"s,
         u"/opt/nubrel"s,
         {u"/opt/nubrel/PhoneA.Ico"s},
         u"/opt/nubrel/PhoneA.Ico"s,
         {u"/run/cur/PhoneA.Ico"s, u"/opt/nubrel/PhoneA.Ico"s}},
        {"neither loads",
         u"/run/cur"s,
         u"/opt/nubrel"s,
         {},
         std::u16string(),
         {u"/run/cur/PhoneA.Ico"s, u"/opt/nubrel/PhoneA.Ico"s}},
        {"same folder is tried once",
         u"/opt/nubrel"s,
         u"/opt/nubrel/"s,
         {},
         std::u16string(),
         {u"/opt/nubrel/PhoneA.Ico"s}},
        {"same folder spelt differently",
         u"/opt/nubrel/bin/.."s,
         u"/opt/nubrel"s,
         {u"/opt/nubrel/PhoneA.Ico"s},
         u"/opt/nubrel/PhoneA.Ico"s,
         {u"/opt/nubrel/PhoneA.Ico"s}},
        {"no current directory",
         std::u16string(),
         u"/opt/nubrel"s,
         {u"/opt/nubrel/PhoneA.Ico"s},
         u"/opt/nubrel/PhoneA.Ico"s,
         {u"/opt/nubrel/PhoneA.Ico"s}},
        {"no folders at all",
         std::u16string(),
         std::u16string(),
         {u"/PhoneA.Ico"s},
         std::u16string(),
         {}},
    };
    for (const Case &c : cases) {
        std::vector<std::u16string> tried;
        const std::u16string found = locateIconFile(u"PhoneA.Ico"s, c.currentDir, c.programFolder,
                                                    [&](const std::u16string &path) {
                                                        tried.push_back(path);
                                                        return contains(c.loadable, path);
                                                    });
        EXPECT_EQ(found, c.expected) << c.what;
        EXPECT_EQ(tried, c.tried) << c.what;
    }
}
