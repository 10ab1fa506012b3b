// The About box's search for the browser: order of the walk over a real tree.
#include "Fakes.h"
#include "PermissionsBind.h"
#include "dialogs/FindFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A tree made of relative paths; a path ending in "/" is a directory.
class Tree {
public:
    explicit Tree(const QStringList &paths)
    {
        for (const QString &p : paths) {
            if (p.endsWith(u'/')) {
                QDir().mkpath(at(p));
                continue;
            }
            QDir().mkpath(QFileInfo(at(p)).absolutePath());
            QFile f(at(p));
            EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << p.toStdString();
        }
    }
    QString root() const { return m_dir.path(); }
    QString at(const QString &relative) const { return m_dir.path() + u'/' + relative; }

private:
    QTemporaryDir m_dir{QStringLiteral("/tmp/nubrel-find-XXXXXX")};
};

QString search(const Tree &tree, FakeEvents &events,
               const QString &name = QStringLiteral("IEXPLORE.EXE"))
{
    QString found;
    FindFile(name, tree.root(), found, events);
    return found;
}

} // namespace

TEST(FindFile, SubTreesComeBeforeTheDirectorysOwnFilesAndTheFirstListedWins)
{
    struct Case {
        const char *what;
        QStringList tree;
        QString expected; // relative to the root; empty: not found
    } cases[] = {
        {"only in the root",
         {QStringLiteral("IEXPLORE.EXE"), QStringLiteral("a/other.txt")},
         QStringLiteral("IEXPLORE.EXE")},
        {"the root's own file last",
         {QStringLiteral("IEXPLORE.EXE"), QStringLiteral("z/deep/IEXPLORE.EXE")},
         QStringLiteral("z/deep/IEXPLORE.EXE")},
        {"the sub-directory listed first wins, case aside",
         {QStringLiteral("b/IEXPLORE.EXE"), QStringLiteral("A/x/y/IEXPLORE.EXE")},
         QStringLiteral("A/x/y/IEXPLORE.EXE")},
        {"deepest first inside a sub-directory",
         {QStringLiteral("p/IEXPLORE.EXE"), QStringLiteral("p/q/IEXPLORE.EXE")},
         QStringLiteral("p/q/IEXPLORE.EXE")},
        {"lower-case name matches and keeps its spelling",
         {QStringLiteral("Program Files/Browser/iexplore.exe")},
         QStringLiteral("Program Files/Browser/iexplore.exe")},
        {"a directory of that name is no match",
         {QStringLiteral("IEXPLORE.EXE/"), QStringLiteral("IEXPLORE.EXE.bak")},
         QString()},
        {"hidden entries are passed over",
         {QStringLiteral(".hidden/IEXPLORE.EXE"), QStringLiteral("w/.IEXPLORE.EXE")},
         QString()},
        {"nothing anywhere", {QStringLiteral("a/b/c/"), QStringLiteral("d/readme.txt")}, QString()},
    };
    for (const Case &c : cases) {
        Tree tree(c.tree);
        FakeEvents events;
        const QString found = search(tree, events);
        EXPECT_EQ(found, c.expected.isEmpty() ? QString() : tree.at(c.expected)) << c.what;
    }
}

TEST(FindFile, TwoSpellingsInOneDirectoryGiveTheFirstInListingOrder)
{
    Tree tree({QStringLiteral("d/iexplore.exe"), QStringLiteral("d/IEXPLORE.EXE")});
    if (QDir(tree.at(QStringLiteral("d"))).entryList(QDir::Files).size() != 2)
        GTEST_SKIP() << "file system ignores case";
    FakeEvents events;
    EXPECT_EQ(search(tree, events), tree.at(QStringLiteral("d/IEXPLORE.EXE")));
}

TEST(FindFile, LetsEventsRunBeforeEachDescentAndStopsAtTheFirstMatch)
{
    Tree tree({QStringLiteral("a/a1/"), QStringLiteral("a/a2/"), QStringLiteral("b/IEXPLORE.EXE"),
               QStringLiteral("c/c1/c2/")});
    FakeEvents events;
    QString found;
    FindFile(QStringLiteral("IEXPLORE.EXE"), tree.root(), found, events);
    EXPECT_EQ(found, tree.at(QStringLiteral("b/IEXPLORE.EXE")));
    EXPECT_EQ(events.m_passes, 4) << "a, a/a1, a/a2, b; c is never entered";

    FakeEvents none;
    FindFile(QStringLiteral("IEXPLORE.EXE"), tree.root() + u'/', found, none);
    EXPECT_EQ(none.m_passes, 0) << "an earlier find ends the search at once";
    EXPECT_EQ(found, tree.at(QStringLiteral("b/IEXPLORE.EXE")));
}

TEST(FindFile, RootWithItsSeparatorAndWithoutGiveTheSamePath)
{
    Tree tree({QStringLiteral("x/IEXPLORE.EXE")});
    for (const QString &root : {tree.root(), tree.root() + u'/'}) {
        FakeEvents events;
        QString found;
        FindFile(QStringLiteral("IEXPLORE.EXE"), root, found, events);
        EXPECT_EQ(found, tree.at(QStringLiteral("x/IEXPLORE.EXE"))) << root.toStdString();
    }
    FakeEvents events;
    QString found;
    FindFile(QStringLiteral("IEXPLORE.EXE"), tree.at(QStringLiteral("missing")), found, events);
    EXPECT_TRUE(found.isEmpty());
}

TEST(FindFile, LinksToDirectoriesAreNotFollowed)
{
    Tree tree({QStringLiteral("z-elsewhere/IEXPLORE.EXE"), QStringLiteral("top/")});
    // A link back to the root would lead in a circle; one to a directory
    // with the file is not entered either.
    ASSERT_TRUE(QFile::link(tree.root(), tree.at(QStringLiteral("top/loop"))));
    Tree other({QStringLiteral("inside/IEXPLORE.EXE")});
    ASSERT_TRUE(QFile::link(other.root(), tree.at(QStringLiteral("a-link"))));
    FakeEvents events;
    EXPECT_EQ(search(tree, events), tree.at(QStringLiteral("z-elsewhere/IEXPLORE.EXE")));
    EXPECT_EQ(events.m_passes, 2) << "top, then z-elsewhere; neither link";
}

TEST(FindFile, AnUnreadableDirectoryIsPassedOver)
{
    const PermissionsBind bind;
    Tree tree({QStringLiteral("a-locked/IEXPLORE.EXE"), QStringLiteral("b-open/IEXPLORE.EXE")});
    const QString locked = tree.at(QStringLiteral("a-locked"));
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::Permissions()));
    const bool stillReadable = !QDir(locked).entryList(QDir::Files).isEmpty();
    if (stillReadable) {
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        GTEST_SKIP() << "permissions do not bind this user";
    }
    FakeEvents events;
    const QString found = search(tree, events);
    QFile::setPermissions(locked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(found, tree.at(QStringLiteral("b-open/IEXPLORE.EXE")));
}
