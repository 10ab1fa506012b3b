// The program's pictures: the built-in copies, the icon files, and which copy wins.
#include "frontend/qt/QtIcons.h"
#include "frontend/qt/QtText.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QList<int> Sizes{16, 32, 48};

QString resource(const QString &name)
{
    return QStringLiteral(NUBREL_RESOURCES) + u'/' + name;
}

QList<int> sidesOf(const QIcon &icon)
{
    QList<int> sides;
    for (const QSize &s : icon.availableSizes()) {
        EXPECT_EQ(s.width(), s.height());
        sides << s.width();
    }
    std::sort(sides.begin(), sides.end());
    return sides;
}

QImage imageOf(const QIcon &icon, int side)
{
    return icon.pixmap(QSize(side, side)).toImage().convertToFormat(QImage::Format_ARGB32);
}

bool samePictures(const QIcon &a, const QIcon &b)
{
    for (const int side : Sizes) {
        if (imageOf(a, side) != imageOf(b, side))
            return false;
    }
    return true;
}

void copyAs(const QString &from, const QString &to)
{
    QFile::remove(to);
    ASSERT_TRUE(QFile::copy(from, to)) << qPrintable(to);
}

} // namespace

TEST(QtIcons, EveryPictureComesInSixteenThirtyTwoAndFortyEight)
{
    for (const AppIcon icon : {AppIcon::BuiltIn, AppIcon::Stopped, AppIcon::Running}) {
        const QIcon builtIn = QtIcons::builtIn(icon);
        EXPECT_EQ(sidesOf(builtIn), Sizes) << int(icon);
        for (const int side : Sizes) {
            const QImage image = imageOf(builtIn, side);
            EXPECT_EQ(image.size(), QSize(side, side)) << int(icon);
            // Drawn on a transparent ground: the corners show through.
            EXPECT_TRUE(image.hasAlphaChannel());
        }
    }
    for (const QString &file : {u"PhoneA.Ico"_s, u"PhoneB.Ico"_s, u"Nubrel.ico"_s}) {
        QImageReader reader(resource(file));
        EXPECT_EQ(reader.imageCount(), 3) << qPrintable(file);
        EXPECT_EQ(sidesOf(QIcon(resource(file))), Sizes) << qPrintable(file);
    }
}

TEST(QtIcons, StoppedRunningAndProgramPicturesDiffer)
{
    const QIcon program = QtIcons::builtIn(AppIcon::BuiltIn);
    const QIcon stopped = QtIcons::builtIn(AppIcon::Stopped);
    const QIcon running = QtIcons::builtIn(AppIcon::Running);
    for (const int side : Sizes) {
        EXPECT_NE(imageOf(stopped, side), imageOf(running, side)) << side;
        EXPECT_NE(imageOf(program, side), imageOf(stopped, side)) << side;
        EXPECT_NE(imageOf(program, side), imageOf(running, side)) << side;
    }
    // The built-in twins are the files that are installed beside the program.
    EXPECT_TRUE(samePictures(stopped, QIcon(resource(u"PhoneA.Ico"_s))));
    EXPECT_TRUE(samePictures(running, QIcon(resource(u"PhoneB.Ico"_s))));
}

TEST(QtIcons, CurrentDirectoryThenProgramFolderThenBuiltIn)
{
    // The running picture stored under the stopped name tells which copy was taken.
    const QString swapped = resource(u"PhoneB.Ico"_s);
    const QIcon stopped = QtIcons::builtIn(AppIcon::Stopped);
    const QIcon running = QtIcons::builtIn(AppIcon::Running);
    struct Case {
        const char *what;
        const char *inCurrent; // "", "swapped", "real" or "broken"
        const char *inProgram;
        bool showsSwapped;
    } cases[] = {
        {"current directory first", "swapped", "real", true},
        {"current directory only", "swapped", "", true},
        {"program folder when the current directory has none", "", "swapped", true},
        {"program folder when the current directory's copy is broken", "broken", "swapped", true},
        {"current directory's good copy over the program folder's", "real", "swapped", false},
        {"built-in copy when neither folder has one", "", "", false},
        {"built-in copy when both are broken", "broken", "broken", false},
    };
    for (const Case &c : cases) {
        QTemporaryDir current;
        QTemporaryDir program;
        for (const auto &[dir, what] :
             {std::pair{&current, c.inCurrent}, {&program, c.inProgram}}) {
            const QString target = dir->filePath(u"PhoneA.Ico"_s);
            const std::string kind = what;
            if (kind == "swapped")
                copyAs(swapped, target);
            else if (kind == "real")
                copyAs(resource(u"PhoneA.Ico"_s), target);
            else if (kind == "broken") {
                QFile f(target);
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                f.write("\0\0\1\0\3\0this is no icon", 21);
            }
        }
        QtIcons icons(current.path(), program.path());
        const QIcon got = icons.icon(AppIcon::Stopped);
        EXPECT_EQ(sidesOf(got), Sizes) << c.what;
        EXPECT_TRUE(samePictures(got, c.showsSwapped ? running : stopped)) << c.what;
        // The running picture is looked up on its own name, and found nowhere.
        EXPECT_TRUE(samePictures(icons.icon(AppIcon::Running), running)) << c.what;
    }
}

TEST(QtIcons, ProgramWideSetGivesEveryPicture)
{
    for (const AppIcon icon : {AppIcon::BuiltIn, AppIcon::Stopped, AppIcon::Running})
        EXPECT_EQ(sidesOf(QtIcons::iconFor(icon)), Sizes) << int(icon);
    EXPECT_TRUE(
        samePictures(QtIcons::iconFor(AppIcon::BuiltIn), QtIcons::builtIn(AppIcon::BuiltIn)));
}
