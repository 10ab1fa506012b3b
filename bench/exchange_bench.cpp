// The monitoring tick of the real program, timed: the program's own parts
// (QtProgram), talking to the simulated device on its pseudo-terminal.
//
// The device runs with bench/stamp_writes preloaded, which notes when each of
// its writes to the line returned; the window's title change is noted here.
// Both are on the monotonic clock, so the time from the device's last answer
// byte to the new title is measured across the two processes.
//
// Prints one tab-separated row per figure: "row", figure, measured, target, verdict.
#include "app/DataFolder.h"
#include "app/MainController.h"
#include "frontend/qt/QtProgram.h"
#include "frontend/qt/QtText.h"

#include "BenchRows.h"
#include "ModemSim.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <optional>
#include <sys/resource.h>
#include <vector>

namespace {

double monotonicMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double processCpuMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Times the process went to sleep of its own accord: its wake-ups.
long wakeUps()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

long rssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

using BenchRows::median;
using BenchRows::percentile;
using BenchRows::row;

QString ms(double value, int decimals = 2)
{
    return QString::number(value, 'f', decimals) + QStringLiteral(" ms");
}

// What the device put on the line during one exchange, from the stamp file.
struct LineBytes {
    int count = 0;         // bytes up to and including the "K" of "OK"
    double firstMs = NAN;  // the first byte was readable
    double okMs = NAN;     // the "K" was readable: the program has its whole answer
    int trailingBytes = 0; // bytes after the "K" (its CR LF)
};

class StampFile {
public:
    explicit StampFile(QString path) : m_path(std::move(path)) {}
    QString path() const { return m_path; }

    // The writes since the last call.
    LineBytes next()
    {
        LineBytes line;
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            return line;
        file.seek(m_offset);
        const QByteArray text = file.readAll();
        m_offset += text.size();
        char previous = 0;
        bool seenOk = false;
        for (const QByteArray &entry : text.split('\n')) {
            const qsizetype blank = entry.indexOf(' ');
            if (blank < 0)
                continue;
            const double at = entry.left(blank).toDouble() / 1e6;
            const QByteArray bytes = QByteArray::fromHex(entry.mid(blank + 1));
            if (std::isnan(line.firstMs))
                line.firstMs = at;
            for (char c : bytes) {
                if (seenOk) {
                    ++line.trailingBytes;
                    continue;
                }
                ++line.count;
                if (previous == 'O' && c == 'K') {
                    seenOk = true;
                    line.okMs = at;
                }
                previous = c;
            }
        }
        return line;
    }

private:
    QString m_path;
    qint64 m_offset = 0;
};

bool writeIni(const QString &folder, const QString &device)
{
    // A tick an hour: every exchange here is started by the benchmark itself.
    const QString text = QStringLiteral("[ENV]\r\nTIMER=3600\r\nCOMPORT=2\r\nCOMSPEED=9600\r\n"
                                        "[NUBREL]\r\nPRODUCTSIDX=0\r\nPRODUCTSLISTCNT=1\r\n"
                                        "PRODUCTSLIST0=0,modem\r\n[PORTS]\r\nCOM2=") +
                         device + QStringLiteral("\r\n");
    QFile file(folder + QStringLiteral("/Nubrel.ini"));
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption modemsimOption(
        QStringLiteral("modemsim"), QStringLiteral("the simulated device"), QStringLiteral("path"));
    const QCommandLineOption stampOption(QStringLiteral("stamp-lib"),
                                         QStringLiteral("the write-stamping preload"),
                                         QStringLiteral("path"));
    const QCommandLineOption exchangesOption(QStringLiteral("exchanges"),
                                             QStringLiteral("timed exchanges at line speed"),
                                             QStringLiteral("n"), QStringLiteral("200"));
    const QCommandLineOption memoryOption(QStringLiteral("memory-exchanges"),
                                          QStringLiteral("unpaced exchanges for the memory run"),
                                          QStringLiteral("n"), QStringLiteral("20000"));
    const QCommandLineOption silentOption(QStringLiteral("unanswered"),
                                          QStringLiteral("unanswered exchanges"),
                                          QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption speedOption(QStringLiteral("speed"),
                                         QStringLiteral("the device's line speed, bit/s"),
                                         QStringLiteral("bps"), QStringLiteral("9600"));
    parser.addOptions(
        {modemsimOption, stampOption, exchangesOption, memoryOption, silentOption, speedOption});
    parser.process(app);
    const int exchanges = parser.value(exchangesOption).toInt();
    const int memoryExchanges = parser.value(memoryOption).toInt();
    const int unanswered = parser.value(silentOption).toInt();
    const int speed = parser.value(speedOption).toInt();
    if (!parser.isSet(modemsimOption) || speed <= 0) {
        std::fputs("exchange_bench: --modemsim PATH is needed\n", stderr);
        return 2;
    }

    QTemporaryDir folder;
    StampFile stamps(folder.path() + QStringLiteral("/stamps"));
    ModemSim sim(parser.value(modemsimOption));
    if (parser.isSet(stampOption)) {
        qputenv("LD_PRELOAD", parser.value(stampOption).toLocal8Bit());
        qputenv("NUBREL_STAMP_FILE", stamps.path().toLocal8Bit());
    }
    const bool started = sim.start({QStringLiteral("--kind"), QStringLiteral("0")});
    qunsetenv("LD_PRELOAD");
    qunsetenv("NUBREL_STAMP_FILE");
    if (!started || !writeIni(folder.path(), sim.devicePath())) {
        std::fputs("exchange_bench: the simulated device did not start\n", stderr);
        return 1;
    }

    QtProgram program(DataFolder(fromQt(folder.path())));
    MainController &controller = program.controller();
    program.start();
    // Let the window appear and settle before anything is timed.
    for (double until = monotonicMs() + 500; monotonicMs() < until;)
        app.processEvents(QEventLoop::AllEvents, 50);
    const long rssAfterStart = rssKiB();

    double titleAt = NAN;
    QObject::connect(&program.mainWindow(), &QWidget::windowTitleChanged,
                     [&titleAt] { titleAt = monotonicMs(); });

    int serial = 0;
    const auto nextNumber = [&serial] {
        return QStringLiteral("03") + QString::number(10000000 + ++serial);
    };
    // One tick, dispatched by the event loop as the program's timer dispatches
    // it, so that what the tick leaves to the loop is done as in the program.
    struct Tick {
        double startMs = 0, endMs = 0, cpuStartMs = 0, cpuEndMs = 0;
        long wakeUps = 0;
        double wallMs() const { return endMs - startMs; }
        double cpuMs() const { return cpuEndMs - cpuStartMs; }
    };
    const auto runTick = [&] {
        Tick t;
        titleAt = NAN;
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [&] {
            const long wakeUpsBefore = wakeUps();
            t.cpuStartMs = processCpuMs();
            t.startMs = monotonicMs();
            controller.TimForm_Timer();
            t.endMs = monotonicMs();
            t.cpuEndMs = processCpuMs();
            t.wakeUps = wakeUps() - wakeUpsBefore;
            loop.quit();
        });
        loop.exec();
        return t;
    };
    // With a new call held by the device; false when the title did not follow.
    const auto tick = [&](const QString &number, Tick *timing = nullptr) {
        const Tick t = runTick();
        if (timing)
            *timing = t;
        return program.mainWindow().windowTitle() == number;
    };

    // 1. Latency and CPU of answered exchanges at line speed.
    const double gapMs = 10.0 * 1000.0 / speed;
    sim.ok(QStringLiteral("slow ") + QString::number(speed));
    std::vector<double> afterLastByte, whole, lineTime, overLine, ownShare, pacingLate, cpu, polls,
        woken;
    int failed = 0;
    for (int i = 0; i < exchanges + 5; ++i) {
        const QString number = nextNumber();
        sim.ok(QStringLiteral("call ") + number);
        sim.ok(QStringLiteral("sync")); // the last exchange's trailing CR LF is out
        stamps.next();
        Tick timing;
        const bool shown = tick(number, &timing);
        const double t0 = timing.startMs;
        sim.ok(QStringLiteral("sync"));
        const LineBytes line = stamps.next();
        if (!shown || std::isnan(titleAt) || std::isnan(line.okMs)) {
            ++failed;
            continue;
        }
        if (i < 5)
            continue; // the first exchanges warm the caches
        const double lineMs = line.count * gapMs;
        afterLastByte.push_back(titleAt - line.okMs);
        whole.push_back(titleAt - t0);
        lineTime.push_back(lineMs);
        overLine.push_back(titleAt - t0 - lineMs);
        // The program's own part: before the device's first byte and after its last.
        ownShare.push_back((line.firstMs - t0) + (titleAt - line.okMs));
        pacingLate.push_back((line.okMs - line.firstMs) - (line.count - 1) * gapMs);
        cpu.push_back(timing.cpuMs());
        polls.push_back(controller.link().lastLcnt() + 1);
        woken.push_back(static_cast<double>(timing.wakeUps));
    }
    const QString paced = QStringLiteral(" @") + QString::number(speed);
    if (failed > 0)
        std::fprintf(stderr, "exchange_bench: %d exchanges without a new title\n", failed);
    row(QStringLiteral("exchanges timed") + paced, QString::number(afterLastByte.size()),
        QStringLiteral(">= 200"), afterLastByte.size() >= 200 && failed == 0);
    // No worse than the poll loop that waited before: 0.73-0.76 ms here.
    row(QStringLiteral("last answer byte -> title, median"), ms(median(afterLastByte), 3),
        QStringLiteral("<= 0.75 ms"), median(afterLastByte) <= 0.75);
    row(QStringLiteral("last answer byte -> title, p95"), ms(percentile(afterLastByte, 0.95), 3),
        QStringLiteral("-"), std::nullopt);
    row(QStringLiteral("whole exchange (tick -> title), median"), ms(median(whole)),
        QStringLiteral("-"), std::nullopt);
    row(QStringLiteral("whole exchange, p95"), ms(percentile(whole, 0.95)), QStringLiteral("-"),
        std::nullopt);
    const int bytes =
        lineTime.empty() ? 0 : static_cast<int>(std::lround(lineTime.front() / gapMs));
    row(QStringLiteral("line time of the same bytes (") + QString::number(bytes) +
            QStringLiteral(" x 10 bit)"),
        ms(median(lineTime)), QStringLiteral("-"), std::nullopt);
    row(QStringLiteral("whole exchange - line time, median"), ms(median(overLine)),
        QStringLiteral("< 5 ms"), median(overLine) < 5.0);
    row(QStringLiteral("whole exchange - line time, p95"), ms(percentile(overLine, 0.95)),
        QStringLiteral("-"), std::nullopt);
    row(QStringLiteral("  of it the program's own (before 1st + after last byte), median"),
        ms(median(ownShare), 3), QStringLiteral("-"), std::nullopt);
    row(QStringLiteral("  of it the simulator's pacing behind line speed, median"),
        ms(median(pacingLate)), QStringLiteral("-"), std::nullopt);
    row(QStringLiteral("CPU per answered exchange") + paced + QStringLiteral(", median"),
        ms(median(cpu), 3), QStringLiteral("<= 1 ms"), median(cpu) <= 1.0);
    row(QStringLiteral("CPU per answered exchange") + paced + QStringLiteral(", p95"),
        ms(percentile(cpu, 0.95), 3), QStringLiteral("-"), std::nullopt);
    row(QStringLiteral("wake-ups per answered exchange") + paced +
            QStringLiteral(" (voluntary context switches), median"),
        QString::number(median(woken), 'f', 0), QStringLiteral("<= 10"), median(woken) <= 10);
    row(QStringLiteral("  wake-ups per answered exchange, p95"),
        QString::number(percentile(woken, 0.95), 'f', 0), QStringLiteral("-"), std::nullopt);
    row(QStringLiteral("  reads and waits of the port per answered exchange (lcnt + 1), median"),
        QString::number(median(polls), 'f', 0), QStringLiteral("-"), std::nullopt);

    // 2. Unanswered exchanges: the device stays silent for one command. Never
    // more than two in a row, or the program gives up with a message box.
    std::vector<double> silentWall, silentCpu, silentWoken;
    std::int32_t silentPolls = 0;
    for (int i = 0; i < unanswered; ++i) {
        sim.ok(QStringLiteral("silent 1"));
        const Tick timing = runTick();
        silentWall.push_back(timing.wallMs());
        silentCpu.push_back(timing.cpuMs());
        silentWoken.push_back(static_cast<double>(timing.wakeUps));
        silentPolls = controller.link().lastLcnt(); // reported as MaxPoll + 1
        const QString number = nextNumber();
        sim.ok(QStringLiteral("call ") + number);
        tick(number); // answered: the retry count starts again
        sim.ok(QStringLiteral("sync"));
    }
    if (unanswered > 0) {
        row(QStringLiteral("unanswered exchange, wall (lcnt=") + QString::number(silentPolls) +
                QStringLiteral("), median"),
            ms(median(silentWall), 0), QStringLiteral("~3.1 s"),
            std::abs(median(silentWall) - 3100) < 200);
        row(QStringLiteral("CPU of one unanswered exchange, median"), ms(median(silentCpu), 2),
            QStringLiteral("<= 10 ms"), median(silentCpu) <= 10.0);
        row(QStringLiteral("  wake-ups of one unanswered exchange, median"),
            QString::number(median(silentWoken), 'f', 0), QStringLiteral("-"), std::nullopt);
    }

    // 3. Memory over many exchanges, unpaced so that they take seconds, not hours.
    sim.ok(QStringLiteral("slow 0"));
    // Times of the first thousand only: the bench's own growth must not show as the program's.
    constexpr int Sampled = 1000;
    std::vector<double> unpacedCpu, unpacedWall;
    unpacedCpu.reserve(Sampled);
    unpacedWall.reserve(Sampled);
    // RSS and heap in use at every thousandth exchange.
    std::vector<std::pair<long, std::size_t>> memory;
    memory.reserve(static_cast<std::size_t>(memoryExchanges / 1000 + 1));
    failed = 0;
    for (int i = 1; i <= memoryExchanges; ++i) {
        const QString number = nextNumber();
        sim.ok(QStringLiteral("call ") + number);
        Tick timing;
        if (!tick(number, &timing))
            ++failed;
        if (i <= Sampled) {
            unpacedWall.push_back(timing.wallMs());
            unpacedCpu.push_back(timing.cpuMs());
        }
        if (i % 1000 == 0) {
            memory.emplace_back(rssKiB(), ::mallinfo2().uordblks / 1024);
            std::fprintf(stderr,
                         "exchange_bench: %d unpaced exchanges, RSS %ld KiB, heap %zu KiB\n", i,
                         memory.back().first, memory.back().second);
        }
    }
    if (memoryExchanges > 0) {
        row(QStringLiteral("unpaced exchanges, new number and history line each"),
            QString::number(memoryExchanges - failed) + QStringLiteral(" of ") +
                QString::number(memoryExchanges),
            QStringLiteral("all"), failed == 0);
        row(QStringLiteral("  whole unpaced exchange, median of the first 1,000"),
            ms(median(unpacedWall), 3), QStringLiteral("-"), std::nullopt);
        row(QStringLiteral("  CPU per unpaced exchange, median of the first 1,000"),
            ms(median(unpacedCpu), 3), QStringLiteral("< 2 ms"), median(unpacedCpu) < 2.0);
        row(QStringLiteral("bench process RSS after start-up"),
            QString::number(rssAfterStart / 1024.0, 'f', 1) + QStringLiteral(" MB"),
            QStringLiteral("< 40 MB"), rssAfterStart < 40 * 1024);
    }
    const auto at = [&memory](int exchange) { return memory.at(exchange / 1000 - 1); };
    if (memory.size() >= 10) {
        row(QStringLiteral("bench process RSS after 10,000 exchanges"),
            QString::number(at(10000).first / 1024.0, 'f', 1) + QStringLiteral(" MB"),
            QStringLiteral("< 40 MB"), at(10000).first < 40 * 1024);
    }
    if (memory.size() >= 20) {
        const long growth = at(20000).first - at(10000).first;
        row(QStringLiteral("  RSS growth, exchange 10,000 -> 20,000"),
            QString::number(growth) + QStringLiteral(" KiB"), QStringLiteral("none (< 256 KiB)"),
            growth < 256);
        row(QStringLiteral("  RSS growth, exchange 1,000 -> 10,000"),
            QString::number(at(10000).first - at(1000).first) + QStringLiteral(" KiB"),
            QStringLiteral("-"), std::nullopt);
        row(QStringLiteral("  heap in use at exchange 1,000 / 9,000 / 10,000 / 20,000"),
            QStringLiteral("%1 / %2 / %3 / %4 KiB")
                .arg(at(1000).second)
                .arg(at(9000).second)
                .arg(at(10000).second)
                .arg(at(20000).second),
            QStringLiteral("-"), std::nullopt);
    }

    controller.Form_Unload();
    return 0;
}
