// The network on Qt Network: QTcpServer listeners, QTcpSocket connections and
// QTimer timers. Every report to the logic goes through the event loop's queue,
// so none comes from inside the call that caused it, and each checks first that
// its connection, listener or timer still exists.
#pragma once

#include "platform/Network.h"

#include <QObject>

class QtNetwork final : public QObject, public Net::Network {
public:
    explicit QtNetwork(QObject *parent = nullptr);
    ~QtNetwork() override;

    std::unique_ptr<Net::Listener> listen(const std::string &address, std::uint16_t port,
                                          AcceptFunction accept, std::string &error) override;
    std::unique_ptr<Net::Connection> connect(const std::string &host, std::uint16_t port,
                                             Net::ConnectionHandler &handler) override;
    std::unique_ptr<Net::Timer> startTimer(int milliseconds, std::function<void()> due) override;
};
