#include "frontend/qt/QtNetwork.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

// What a queued report holds instead of its object: the object may be gone by
// the time the report is taken from the queue.
using Token = std::shared_ptr<bool>;
using WeakToken = std::weak_ptr<bool>;

// Runs `work` from the event loop, later, unless the token's owner is gone by
// then. The application is the context, so no object of ours is on the stack
// when the logic's code runs, and the logic may destroy any of them.
template <typename Work> void later(const Token &token, Work work)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [alive = WeakToken(token), work = std::move(work)]() mutable {
            if (!alive.expired())
                work();
        },
        Qt::QueuedConnection);
}

// What a peer may have sent before the logic reads: enough for any line the
// roles take, small enough that a flooding peer costs little.
constexpr qint64 ReadBufferBytes = 64 * 1024;

// A peer that vanishes without a word (its host rebooted, its Wi-Fi dropped,
// a router forgot the connection) is found out within about two minutes: a
// minute of silence, then six probes ten seconds apart.
constexpr int KeepAliveIdleSeconds = 60;
constexpr int KeepAliveIntervalSeconds = 10;
constexpr int KeepAliveProbes = 6;

// The connection works without: then only a peer's FIN or RST ends it, as
// before, and the warning says why.
void keepAlive(qintptr descriptor)
{
    const auto set = [descriptor](int level, int name, int value) {
        return ::setsockopt(static_cast<int>(descriptor), level, name, &value, sizeof value) == 0;
    };
    if (descriptor < 0 || !set(SOL_SOCKET, SO_KEEPALIVE, 1) ||
        !set(IPPROTO_TCP, TCP_KEEPIDLE, KeepAliveIdleSeconds) ||
        !set(IPPROTO_TCP, TCP_KEEPINTVL, KeepAliveIntervalSeconds) ||
        !set(IPPROTO_TCP, TCP_KEEPCNT, KeepAliveProbes))
        qWarning("no TCP keep-alive: %s", descriptor < 0 ? "no socket" : std::strerror(errno));
}

class QtConnection final : public Net::Connection {
public:
    // Takes the socket: an accepted one, or one the caller connects next.
    QtConnection(QTcpSocket *socket, bool accepted, Net::ConnectionHandler *handler)
        : m_socket(socket), m_handler(handler)
    {
        m_socket->setParent(nullptr);
        m_socket->setReadBufferSize(ReadBufferBytes);
        QObject::connect(m_socket.get(), &QAbstractSocket::connected, [this] {
            keepAlive(m_socket->socketDescriptor());
            m_connectedPending = true;
            schedule();
        });
        QObject::connect(m_socket.get(), &QIODevice::readyRead, [this] { schedule(); });
        QObject::connect(m_socket.get(), &QIODevice::bytesWritten, [this] {
            if (m_socket->bytesToWrite() == 0) {
                m_writtenPending = true;
                schedule();
            }
        });
        // A failed connect, a peer gone, an error: each ends in this state,
        // while `disconnected` comes only for connections that were made.
        QObject::connect(m_socket.get(), &QAbstractSocket::stateChanged,
                         [this](QAbstractSocket::SocketState state) {
                             if (state == QAbstractSocket::UnconnectedState) {
                                 m_ended = true;
                                 schedule();
                             }
                         });
        // An accepted peer may have come and gone before it was taken.
        m_ended = accepted && m_socket->state() == QAbstractSocket::UnconnectedState;
        if (accepted && !m_ended)
            keepAlive(m_socket->socketDescriptor());
    }

    ~QtConnection() override
    {
        m_token.reset();
        // Nothing of ours may run while the socket closes.
        m_socket->disconnect();
        m_socket->abort();
    }

    QTcpSocket &socket() { return *m_socket; }

    void setHandler(Net::ConnectionHandler *handler) override
    {
        m_handler = handler;
        // What came before the handler was set is reported now.
        if (m_socket->bytesAvailable() > 0 || m_ended)
            schedule();
    }

    void write(std::string_view bytes) override
    {
        if (bytes.empty() || m_ended || m_socket->state() == QAbstractSocket::UnconnectedState)
            return;
        // The socket appends the bytes to its buffer in one block and hands
        // them to the system from the event loop: this never waits.
        m_socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
    }

    std::size_t pending() const override
    {
        return static_cast<std::size_t>(m_socket->bytesToWrite());
    }

private:
    void schedule()
    {
        if (m_scheduled)
            return;
        m_scheduled = true;
        later(m_token, [this] { report(); });
    }

    // The reports in the order they happened; the handler may destroy this
    // connection in any of them.
    void report()
    {
        m_scheduled = false;
        if (m_reportedEnd)
            return;
        const WeakToken alive = m_token;
        if (m_connectedPending && m_handler) {
            m_connectedPending = false;
            m_handler->connected(*this);
            if (alive.expired())
                return;
        }
        while (m_handler && m_socket->bytesAvailable() > 0) {
            // What the socket holds, at most its buffer's worth.
            const QByteArray bytes = m_socket->readAll();
            if (bytes.isEmpty())
                break;
            m_handler->received(
                *this, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
            if (alive.expired())
                return;
        }
        if (m_writtenPending && m_handler) {
            m_writtenPending = false;
            // Written again meanwhile: reported when that has gone too.
            if (m_socket->bytesToWrite() == 0) {
                m_handler->written(*this);
                if (alive.expired())
                    return;
            }
        }
        if (m_ended && m_handler) {
            m_reportedEnd = true;
            m_handler->disconnected(*this);
        }
    }

    std::unique_ptr<QTcpSocket> m_socket;
    Net::ConnectionHandler *m_handler;
    Token m_token = std::make_shared<bool>(true);
    bool m_scheduled = false;
    bool m_connectedPending = false;
    bool m_writtenPending = false;
    bool m_ended = false;
    bool m_reportedEnd = false;
};

class QtListener final : public Net::Listener {
public:
    // How long accepting rests after the system refused one (out of file
    // descriptors, for one): Qt stops accepting for good after such an error.
    static constexpr int AcceptRestMilliseconds = 1000;

    explicit QtListener(Net::Network::AcceptFunction accept) : m_accept(std::move(accept))
    {
        m_server.setProxy(QNetworkProxy::NoProxy);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] { schedule(); });
        QObject::connect(&m_server, &QTcpServer::acceptError,
                         [this] { m_rest.start(AcceptRestMilliseconds); });
        m_rest.setSingleShot(true);
        QObject::connect(&m_rest, &QTimer::timeout, [this] { m_server.resumeAccepting(); });
    }

    ~QtListener() override
    {
        m_token.reset();
        m_rest.stop();
        m_server.disconnect();
        // Connections not yet taken are the server's children and go with it.
        m_server.close();
    }

    bool listen(const QHostAddress &address, std::uint16_t port)
    {
        return m_server.listen(address, port);
    }
    QString errorString() const { return m_server.errorString(); }
    std::uint16_t port() const override { return m_server.serverPort(); }

private:
    void schedule()
    {
        if (m_scheduled)
            return;
        m_scheduled = true;
        later(m_token, [this] { acceptAll(); });
    }

    void acceptAll()
    {
        m_scheduled = false;
        const WeakToken alive = m_token;
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            // Until the logic sets a handler, what the peer sends waits.
            auto connection = std::make_unique<QtConnection>(socket, true, nullptr);
            m_accept(std::move(connection));
            if (alive.expired())
                return;
        }
    }

    QTcpServer m_server;
    QTimer m_rest;
    Net::Network::AcceptFunction m_accept;
    Token m_token = std::make_shared<bool>(true);
    bool m_scheduled = false;
};

class QtTimer final : public Net::Timer {
public:
    QtTimer(int milliseconds, std::function<void()> due) : m_due(std::move(due))
    {
        // A coarse timer may come early; the logic is promised "at least".
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            // Through the queue like every report: `due` runs with no Qt
            // object of ours on the stack, free to destroy this timer.
            later(m_token, [this] {
                const auto due = std::move(m_due);
                due();
            });
        });
        m_timer.start(milliseconds > 0 ? milliseconds : 0);
    }

    ~QtTimer() override
    {
        m_token.reset();
        m_timer.stop();
    }

private:
    QTimer m_timer;
    std::function<void()> m_due;
    Token m_token = std::make_shared<bool>(true);
};

} // namespace

QtNetwork::QtNetwork(QObject *parent) : QObject(parent) {}

QtNetwork::~QtNetwork() = default;

std::unique_ptr<Net::Listener> QtNetwork::listen(const std::string &address, std::uint16_t port,
                                                 AcceptFunction accept, std::string &error)
{
    QHostAddress host;
    // A name could stand for several addresses, or for none of this machine.
    if (!host.setAddress(QString::fromStdString(address))) {
        error = "not a literal address: " + address;
        return nullptr;
    }
    auto listener = std::make_unique<QtListener>(std::move(accept));
    if (!listener->listen(host, port)) {
        error = listener->errorString().toStdString();
        return nullptr;
    }
    return listener;
}

std::unique_ptr<Net::Connection> QtNetwork::connect(const std::string &host, std::uint16_t port,
                                                    Net::ConnectionHandler &handler)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->setProxy(QNetworkProxy::NoProxy);
    auto connection = std::make_unique<QtConnection>(socket.release(), false, &handler);
    // May fail at once (a name that cannot be one): reported like any other
    // failure, from the queue.
    connection->socket().connectToHost(QString::fromStdString(host), port);
    return connection;
}

std::unique_ptr<Net::Timer> QtNetwork::startTimer(int milliseconds, std::function<void()> due)
{
    return std::make_unique<QtTimer>(milliseconds, std::move(due));
}
