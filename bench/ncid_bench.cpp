// Nubrel's NCID server under 25 clients: the time from RecordCall to the CID
// line read by each client, and the resident memory over 10,000 connects and
// disconnects. The clients are plain sockets read by one thread with epoll, so
// the figures are the server's and not the scheduling of 25 reader threads on
// a small machine.
//
// Prints one tab-separated row per figure: "row", figure, measured, target, verdict.
#include "BenchRows.h"
#include "Fakes.h"
#include "calls/CallRecorder.h"
#include "calls/HistoryFile.h"
#include "frontend/qt/QtNetwork.h"
#include "frontend/qt/QtText.h"
#include "log/DiagnosticLog.h"
#include "ncid/NcidHistoryLog.h"
#include "ncid/NcidService.h"
#include "phonebook/Phonebook.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using BenchRows::percentile;
using BenchRows::row;
using Steady = std::chrono::steady_clock;

constexpr int Clients = 25;

int connectTo(std::uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads `fd` until `marker` arrives; false on an end or error first.
bool readUntil(int fd, const char *marker)
{
    std::string seen;
    char buffer[4096];
    while (seen.find(marker) == std::string::npos) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        seen.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

// A port nothing listens on now, as the system hands one out.
std::uint16_t freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

long residentKilobytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// Runs the event loop until `done` holds or `ms` pass.
template <typename Done> bool spin(int ms, Done done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

QString ms(double value)
{
    return QString::number(value, 'f', 3) + QStringLiteral(" ms");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int calls = argc > 1 ? std::atoi(argv[1]) : 400;
    const int connects = argc > 2 ? std::atoi(argv[2]) : 10000;

    QTemporaryDir dir;
    const std::u16string folder = fromQt(dir.path());
    {
        // A history of a thousand calls, as a client's start-up reads it.
        std::ofstream history(dir.filePath(QStringLiteral("着信履歴.TXT")).toStdString(),
                              std::ios::binary);
        for (int i = 0; i < 1000; ++i)
            history << "2026/12/01,09:30:00,03" << 10000000 + i << "\r\n";
    }

    FakePlatform p;
    ProgramState state;
    state.BaselineRead = true;
    DiagnosticLog log(folder, p.clock);
    HistoryFile history(folder, p.clock, log);
    Phonebook phonebook(folder);
    CallRecorder recorder(state, p.view, p.tray, history);
    recorder.setPhonebook(&phonebook);

    QtNetwork network;
    NcidHistoryLog callLog(folder, state, phonebook);
    NcidService service(network, callLog, "bench", {}, {});
    service.configure({u"127.0.0.1:" + fromQt(QString::number(freePort())), {}, {}, {}});
    const std::uint16_t port = service.server().port();
    if (port == 0) {
        std::fprintf(stderr, "ncid_bench: the server did not listen\n");
        return 1;
    }
    recorder.setCallListener([&](const std::u16string &number, const std::u16string &name) {
        service.callRecorded({{2026, 12, 8, 12, 0}, number, name}, false);
    });

    // The 25 clients, through their start-up.
    std::vector<int> fds;
    for (int i = 0; i < Clients; ++i) {
        const int fd = connectTo(port);
        fds.push_back(fd);
        std::atomic<bool> ready = false;
        std::thread reader([&] { ready = fd >= 0 && readUntil(fd, "300 End"); });
        spin(5000, [&] { return ready.load(); });
        reader.join();
        if (!ready) {
            std::fprintf(stderr, "ncid_bench: client %d got no start-up\n", i);
            return 1;
        }
    }

    // One reader for all clients: each CID line's arrival, per call.
    std::mutex lock;
    std::vector<double> latencies;
    std::atomic<Steady::rep> sentAt{0};
    std::atomic<int> received{0};
    std::atomic<bool> stop = false;
    std::thread reader([&] {
        const int poller = ::epoll_create1(0);
        for (int fd : fds) {
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.fd = fd;
            ::epoll_ctl(poller, EPOLL_CTL_ADD, fd, &event);
        }
        epoll_event events[Clients];
        char buffer[4096];
        while (!stop) {
            const int n = ::epoll_wait(poller, events, Clients, 50);
            const auto now = Steady::now().time_since_epoch().count();
            for (int i = 0; i < n; ++i) {
                const ssize_t got = ::recv(events[i].data.fd, buffer, sizeof buffer, 0);
                if (got <= 0)
                    continue;
                // One CID line per call; a read holds at most the one line.
                const std::chrono::duration<double, std::milli> taken(
                    Steady::duration(now - sentAt.load()));
                std::lock_guard guard(lock);
                latencies.push_back(taken.count());
                ++received;
            }
        }
        ::close(poller);
    });

    bool allArrived = true;
    for (int i = 0; i < calls; ++i) {
        std::u16string number = u"0451" + fromQt(QString::number(100000 + i));
        std::int16_t result = 0;
        const int expected = received + Clients;
        sentAt = Steady::now().time_since_epoch().count();
        recorder.RecordCall(number, false, result);
        allArrived = spin(5000, [&] { return received.load() >= expected; }) && allArrived;
        // A pause between calls, as between real ones.
        spin(5, [] { return false; });
    }
    stop = true;
    reader.join();
    for (int fd : fds)
        ::close(fd);
    spin(200, [] { return false; });

    const double median = percentile(latencies, 0.5);
    const double p95 = percentile(latencies, 0.95);
    row(QStringLiteral("NCID: RecordCall to CID line at 25 clients, median (%1 calls)").arg(calls),
        ms(median), QStringLiteral("-"), BenchRows::sound(allArrived));
    row(QStringLiteral("NCID: RecordCall to CID line at 25 clients, p95"), ms(p95),
        QStringLiteral("< 1 ms"), allArrived && p95 < 1.0);

    // Connects and disconnects, each reading its start-up with the history.
    const auto cycle = [&](int count) {
        for (int i = 0; i < count; ++i) {
            const int fd = connectTo(port);
            std::atomic<bool> done = false;
            std::thread client([&] {
                readUntil(fd, "300 End");
                ::close(fd);
                done = true;
            });
            spin(5000, [&] { return done.load(); });
            client.join();
            spin(5000, [&] { return service.server().clientCount() == 0; });
        }
    };
    cycle(1000); // the allocator's and Qt's pools settle first
    const long before = residentKilobytes();
    cycle(connects);
    const long growth = residentKilobytes() - before;
    row(QStringLiteral("NCID: resident growth over %1 connects and disconnects").arg(connects),
        QString::number(growth) + QStringLiteral(" kB"), QStringLiteral("< 100 kB"), growth < 100);
    return 0;
}
