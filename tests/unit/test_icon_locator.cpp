// Where the icon files are looked for: current directory, then program folder.
#include "app/IconLocator.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(locateIconFile, CurrentDirectoryFirstThenProgramFolder)
{
    struct Case {
        const char *what;
        QString currentDir;
        QString programFolder;
        QStringList loadable;
        QString expected;
        QStringList tried;
    } cases[] = {
        {"both load: the current directory wins",
         u"/run/cur"_s,
         u"/opt/nubrel"_s,
         {u"/run/cur/PhoneA.Ico"_s, u"/opt/nubrel/PhoneA.Ico"_s},
         u"/run/cur/PhoneA.Ico"_s,
         {u"/run/cur/PhoneA.Ico"_s}},
        {"only the program folder's loads",
         u"/run/cur"_s,
         u"/opt/nubrel"_s,
         {u"/opt/nubrel/PhoneA.Ico"_s},
         u"/opt/nubrel/PhoneA.Ico"_s,
         {u"/run/cur/PhoneA.Ico"_s, u"/opt/nubrel/PhoneA.Ico"_s}},
        {"neither loads",
         u"/run/cur"_s,
         u"/opt/nubrel"_s,
         {},
         QString(),
         {u"/run/cur/PhoneA.Ico"_s, u"/opt/nubrel/PhoneA.Ico"_s}},
        {"same folder is tried once",
         u"/opt/nubrel"_s,
         u"/opt/nubrel/"_s,
         {},
         QString(),
         {u"/opt/nubrel/PhoneA.Ico"_s}},
        {"same folder spelt differently",
         u"/opt/nubrel/bin/.."_s,
         u"/opt/nubrel"_s,
         {u"/opt/nubrel/PhoneA.Ico"_s},
         u"/opt/nubrel/PhoneA.Ico"_s,
         {u"/opt/nubrel/PhoneA.Ico"_s}},
        {"no current directory",
         QString(),
         u"/opt/nubrel"_s,
         {u"/opt/nubrel/PhoneA.Ico"_s},
         u"/opt/nubrel/PhoneA.Ico"_s,
         {u"/opt/nubrel/PhoneA.Ico"_s}},
        {"no folders at all", QString(), QString(), {u"/PhoneA.Ico"_s}, QString(), {}},
    };
    for (const Case &c : cases) {
        QStringList tried;
        const QString found = locateIconFile(u"PhoneA.Ico"_s, c.currentDir, c.programFolder,
                                             [&](const QString &path) {
                                                 tried << path;
                                                 return c.loadable.contains(path);
                                             });
        EXPECT_EQ(found, c.expected) << c.what;
        EXPECT_EQ(tried, c.tried) << c.what;
    }
}
