#include "frontend/qt/QtIcons.h"

#include "app/IconLocator.h"
#include "frontend/qt/QtText.h"

#include <QCoreApplication>
#include <QDir>
#include <memory>
#include <utility>

// The resources live in a static library: without a reference from code
// that is linked anyway, the linker would drop them. Outside any namespace,
// as the macro declares the resource's registration function.
static void initResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(nubrel);
        return true;
    }();
    Q_UNUSED(done);
}

namespace {

std::size_t slot(AppIcon which)
{
    return static_cast<std::size_t>(which);
}

// The program-wide set; let go with the application object, while pixmaps
// can still be released properly.
std::unique_ptr<QtIcons> g_icons;

void releaseIcons()
{
    g_icons.reset();
}

} // namespace

QtIcons::QtIcons(QString currentDir, QString programFolder)
    : m_currentDir(std::move(currentDir)), m_programFolder(std::move(programFolder))
{
}

QString QtIcons::fileName(AppIcon which)
{
    switch (which) {
    case AppIcon::Stopped:
        return QStringLiteral("PhoneA.Ico");
    case AppIcon::Running:
        return QStringLiteral("PhoneB.Ico");
    case AppIcon::BuiltIn:
        break;
    }
    return QString();
}

QIcon QtIcons::builtIn(AppIcon which)
{
    initResources();
    if (which == AppIcon::BuiltIn) {
        QIcon program;
        for (const int size : {16, 32, 48})
            program.addFile(QStringLiteral(":/icons/nubrel-%1.png").arg(size), QSize(size, size));
        return program;
    }
    return QIcon(QStringLiteral(":/icons/") + fileName(which));
}

QIcon QtIcons::icon(AppIcon which)
{
    std::optional<QIcon> &cached = m_cache.at(slot(which));
    if (!cached)
        cached = load(which);
    return *cached;
}

QIcon QtIcons::load(AppIcon which) const
{
    if (which == AppIcon::BuiltIn)
        return builtIn(which);
    // The search loads the file it tries; keep that picture instead of loading twice.
    QIcon found;
    const QString path = toQt(
        locateIconFile(fromQt(fileName(which)), fromQt(m_currentDir.value_or(QDir::currentPath())),
                       fromQt(m_programFolder.value_or(QCoreApplication::applicationDirPath())),
                       [&found](const std::u16string &candidate) {
                           QIcon tried(toQt(candidate));
                           if (tried.isNull() || tried.availableSizes().isEmpty())
                               return false;
                           found = tried;
                           return true;
                       }));
    return path.isEmpty() ? builtIn(which) : found;
}

QIcon QtIcons::iconFor(AppIcon which)
{
    if (!g_icons) {
        g_icons = std::make_unique<QtIcons>();
        qAddPostRoutine(releaseIcons);
    }
    return g_icons->icon(which);
}
