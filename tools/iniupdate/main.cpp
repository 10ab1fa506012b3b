// Brings the product list of a newly shipped Nubrel.ini into an installed one:
// missing product entries are added, the user's own keys are never changed.
//   nubrel-iniupdate SHIPPED_FOLDER INSTALLED_FOLDER
#include "config/basNbComIni.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: nubrel-iniupdate SHIPPED_FOLDER INSTALLED_FOLDER\n");
        return 2;
    }
    const basNbComIni shipped(args[1]);
    const basNbComIni installed(args[2]);
    if (!QFileInfo::exists(shipped.path())) {
        std::fprintf(stderr, "nubrel-iniupdate: %s is missing\n", qPrintable(shipped.path()));
        return 1;
    }
    const QString section = QStringLiteral("NUBREL");
    const QString countKey = QStringLiteral("PRODUCTSLISTCNT");
    const int shippedCount = shipped.GetIniInt(section, countKey, 0);
    const int installedCount = installed.GetIniInt(section, countKey, 0);
    int added = 0;
    for (int n = 0; n < shippedCount; ++n) {
        const QString key = QStringLiteral("PRODUCTSLIST") + QString::number(n);
        const QString entry = shipped.GetIniString(section, key, QString());
        if (entry.isEmpty() || !installed.GetIniString(section, key, QString()).isEmpty())
            continue;
        if (installed.PutIniString(section, key, entry) == 0) {
            std::fprintf(stderr, "nubrel-iniupdate: cannot write %s\n",
                         qPrintable(installed.path()));
            return 1;
        }
        ++added;
    }
    if (shippedCount > installedCount)
        installed.PutIniString(section, countKey, QString::number(shippedCount));
    std::printf("nubrel-iniupdate: %d product entries added\n", added);
    return 0;
}
