// The About box's search for the browser: order of the walk over a real tree.
#include "Fakes.h"
#ifndef _WIN32
#include "PermissionsBind.h"
#endif
#include "dialogs/FindFile.h"
#include "platform/Files.h"

#include "ProgramFolder.h"
#include "TestText.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

// A tree made of relative paths; a path ending in "/" is a directory.
class Tree {
public:
    explicit Tree(const std::vector<std::u16string> &paths)
    {
        for (const std::u16string &p : paths) {
            const std::filesystem::path path(nativePath(at(p)));
            if (p.ends_with(u'/')) {
                std::filesystem::create_directories(path);
                continue;
            }
            std::filesystem::create_directories(path.parent_path());
            std::ofstream f(path);
            EXPECT_TRUE(f.good()) << utf8(p);
        }
    }
    std::u16string root() const { return m_dir.path(); }
    // As the search gives it: with the system's own separators.
    std::u16string at(const std::u16string &relative) const
    {
        return Files::toNativeSeparators(m_dir.file(relative));
    }

private:
    ProgramFolder m_dir;
};

std::u16string search(const Tree &tree, FakeEvents &events,
                      const std::u16string &name = u"IEXPLORE.EXE"s)
{
    std::u16string found;
    FindFile(name, tree.root(), found, events);
    return found;
}

} // namespace

TEST(FindFile, SubTreesComeBeforeTheDirectorysOwnFilesAndTheFirstListedWins)
{
    struct Case {
        const char *what;
        std::vector<std::u16string> tree;
        std::u16string expected; // relative to the root; empty: not found
    } cases[] = {
        {"only in the root", {u"IEXPLORE.EXE"s, u"a/other.txt"s}, u"IEXPLORE.EXE"s},
        {"the root's own file last",
         {u"IEXPLORE.EXE"s, u"z/deep/IEXPLORE.EXE"s},
         u"z/deep/IEXPLORE.EXE"s},
        {"the sub-directory listed first wins, case aside",
         {u"b/IEXPLORE.EXE"s, u"A/x/y/IEXPLORE.EXE"s},
         u"A/x/y/IEXPLORE.EXE"s},
        {"deepest first inside a sub-directory",
         {u"p/IEXPLORE.EXE"s, u"p/q/IEXPLORE.EXE"s},
         u"p/q/IEXPLORE.EXE"s},
        {"lower-case name matches and keeps its spelling",
         {u"Program Files/Browser/iexplore.exe"s},
         u"Program Files/Browser/iexplore.exe"s},
        {"a directory of that name is no match",
         {u"IEXPLORE.EXE/"s, u"IEXPLORE.EXE.bak"s},
         std::u16string()},
        {"hidden entries are passed over",
         {u".hidden/IEXPLORE.EXE"s, u"w/.IEXPLORE.EXE"s},
         std::u16string()},
        {"nothing anywhere", {u"a/b/c/"s, u"d/readme.txt"s}, std::u16string()},
    };
    for (const Case &c : cases) {
        Tree tree(c.tree);
        FakeEvents events;
        const std::u16string found = search(tree, events);
        EXPECT_EQ(found, c.expected.empty() ? std::u16string() : tree.at(c.expected)) << c.what;
    }
}

TEST(FindFile, TwoSpellingsInOneDirectoryGiveTheFirstInListingOrder)
{
    Tree tree({u"d/iexplore.exe"s, u"d/IEXPLORE.EXE"s});
    if (fileNames(tree.at(u"d"s)).size() != 2)
        GTEST_SKIP() << "file system ignores case";
    FakeEvents events;
    EXPECT_EQ(search(tree, events), tree.at(u"d/IEXPLORE.EXE"s));
}

TEST(FindFile, LetsEventsRunBeforeEachDescentAndStopsAtTheFirstMatch)
{
    Tree tree({u"a/a1/"s, u"a/a2/"s, u"b/IEXPLORE.EXE"s, u"c/c1/c2/"s});
    FakeEvents events;
    std::u16string found;
    FindFile(u"IEXPLORE.EXE"s, tree.root(), found, events);
    EXPECT_EQ(found, tree.at(u"b/IEXPLORE.EXE"s));
    EXPECT_EQ(events.m_passes, 4) << "a, a/a1, a/a2, b; c is never entered";

    FakeEvents none;
    FindFile(u"IEXPLORE.EXE"s, tree.root() + u'/', found, none);
    EXPECT_EQ(none.m_passes, 0) << "an earlier find ends the search at once";
    EXPECT_EQ(found, tree.at(u"b/IEXPLORE.EXE"s));
}

TEST(FindFile, TheWalkStopsAtOnceWhenTheProgramEnds)
{
    Tree tree({u"a/a1/"s, u"a/a2/"s, u"b/"s, u"c/IEXPLORE.EXE"s});
    FakeEvents events;
    events.m_onPass = [&events] { events.m_ending = events.m_passes == 2; };
    std::u16string found;
    EXPECT_FALSE(FindFile(u"IEXPLORE.EXE"s, tree.root(), found, events));
    EXPECT_EQ(events.m_passes, 2) << "a, then a/a1, where the end came";
    EXPECT_TRUE(found.empty());

    FakeEvents running;
    EXPECT_TRUE(FindFile(u"IEXPLORE.EXE"s, tree.root(), found, running));
    EXPECT_EQ(found, tree.at(u"c/IEXPLORE.EXE"s));
}

TEST(FindFile, RootWithItsSeparatorAndWithoutGiveTheSamePath)
{
    Tree tree({u"x/IEXPLORE.EXE"s});
    for (const std::u16string &root : {tree.root(), tree.root() + u'/'}) {
        FakeEvents events;
        std::u16string found;
        FindFile(u"IEXPLORE.EXE"s, root, found, events);
        EXPECT_EQ(found, tree.at(u"x/IEXPLORE.EXE"s)) << utf8(root);
    }
    FakeEvents events;
    std::u16string found;
    FindFile(u"IEXPLORE.EXE"s, tree.at(u"missing"s), found, events);
    EXPECT_TRUE(found.empty());
}

#ifndef _WIN32
// Links and permission bits: POSIX only.
TEST(FindFile, LinksToDirectoriesAreNotFollowed)
{
    Tree tree({u"z-elsewhere/IEXPLORE.EXE"s, u"top/"s});
    // A link back to the root would lead in a circle; one to a directory
    // with the file is not entered either.
    ASSERT_TRUE(makeLink(tree.root(), tree.at(u"top/loop"s)));
    Tree other({u"inside/IEXPLORE.EXE"s});
    ASSERT_TRUE(makeLink(other.root(), tree.at(u"a-link"s)));
    FakeEvents events;
    EXPECT_EQ(search(tree, events), tree.at(u"z-elsewhere/IEXPLORE.EXE"s));
    EXPECT_EQ(events.m_passes, 2) << "top, then z-elsewhere; neither link";
}
#endif

#ifndef _WIN32
// Links and permission bits: POSIX only.
TEST(FindFile, AnUnreadableDirectoryIsPassedOver)
{
    const PermissionsBind bind;
    Tree tree({u"a-locked/IEXPLORE.EXE"s, u"b-open/IEXPLORE.EXE"s});
    const std::u16string locked = tree.at(u"a-locked"s);
    ASSERT_TRUE(setMode(locked, 0));
    const bool stillReadable = !fileNames(locked).empty();
    if (stillReadable) {
        setMode(locked, 0700);
        GTEST_SKIP() << "permissions do not bind this user";
    }
    FakeEvents events;
    const std::u16string found = search(tree, events);
    setMode(locked, 0700);
    EXPECT_EQ(found, tree.at(u"b-open/IEXPLORE.EXE"s));
}
#endif
