// Appending one call to the history file: a file of 1,000,000 lines against an
// empty one, through the program's own HistoryFile. Each append opens the file,
// writes one line and closes it, so its time must not grow with the file.
//
// Prints one tab-separated row per figure: "row", figure, measured, target, verdict.
#include "BenchRows.h"
#include "calls/HistoryFile.h"
#include "frontend/qt/QtText.h"
#include "log/DiagnosticLog.h"
#include "platform/Clock.h"
#include "state/ProgramFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

using BenchRows::percentile;
using BenchRows::row;

QString us(double value)
{
    return QString::number(value, 'f', 1) + QStringLiteral(" us");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int appends = argc > 2 ? std::atoi(argv[2]) : 1000;

    QTemporaryDir emptyDir;
    QTemporaryDir bigDir;
    {
        QFile big(bigDir.path() + toQt(ProgramFiles::HistoryFile));
        if (!big.open(QIODevice::WriteOnly))
            return 1;
        const QByteArray line = "2024/01/01,12:00:00,0312345678\r\n";
        QByteArray block;
        for (int i = 0; i < 10000; ++i)
            block += line;
        for (int written = 0; written < lines; written += 10000)
            big.write(block.left(line.size() * std::min(10000, lines - written)));
    }
    const qint64 bigSize = QFile(bigDir.path() + toQt(ProgramFiles::HistoryFile)).size();

    SystemClock clock;
    DiagnosticLog emptyLog(fromQt(emptyDir.path()), clock);
    DiagnosticLog bigLog(fromQt(bigDir.path()), clock);
    HistoryFile empty(fromQt(emptyDir.path()), clock, emptyLog);
    HistoryFile full(fromQt(bigDir.path()), clock, bigLog);

    using Clock = std::chrono::steady_clock;
    const auto time = [](HistoryFile &history) {
        const auto t0 = Clock::now();
        history.WriteHistory(ProgramFiles::HistoryFile, u"09012345678");
        return std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
    };
    std::vector<double> onEmpty, onBig;
    // Turn about, so that both see the same machine.
    for (int i = 0; i < appends; ++i) {
        onEmpty.push_back(time(empty));
        onBig.push_back(time(full));
    }
    const double emptyMedian = percentile(onEmpty, 0.5);
    const double bigMedian = percentile(onBig, 0.5);
    const bool written = empty.pending().empty() && full.pending().empty() &&
                         QFile(bigDir.path() + toQt(ProgramFiles::HistoryFile)).size() > bigSize;
    row(QStringLiteral("history append, empty file, median (p95)"),
        us(emptyMedian) + QStringLiteral(" (") + us(percentile(onEmpty, 0.95)) + u')',
        QStringLiteral("-"), BenchRows::sound(written));
    row(QStringLiteral("history append, ") + QString::number(lines) +
            QStringLiteral("-line file (") + QString::number(bigSize / 1e6, 'f', 0) +
            QStringLiteral(" MB), median (p95)"),
        us(bigMedian) + QStringLiteral(" (") + us(percentile(onBig, 0.95)) + u')',
        QStringLiteral("-"), BenchRows::sound(written));
    const double ratio = bigMedian / emptyMedian;
    row(QStringLiteral("  big / empty"), QString::number(ratio, 'f', 2),
        QStringLiteral("~1 (< 1.5)"), ratio < 1.5);
    return written ? 0 : 1;
}
