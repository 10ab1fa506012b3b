// Nubrel as a gateway: each new call goes to an existing NCID server as one
// CALL line in one write; the server's own lines are read and let go. While
// the server cannot be reached the gateway connects again after a growing
// pause, and a call made meanwhile is held for a minute: sent when the server
// is back within it, dropped after (it is in the history all the same, and the
// server would give it the time of its late arrival).
#pragma once

#include "ncid/Backoff.h"
#include "ncid/NcidSettings.h"
#include "ncid/NcidText.h"
#include "platform/Network.h"

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>

class NcidGateway final : public Net::ConnectionHandler {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Now = std::function<TimePoint()>;

    static constexpr std::chrono::seconds HoldFor{60};
    static constexpr std::size_t MaxHeld = 16;
    // Lines sent one after another leave this much time between them, so
    // that a server reading one line at a time sees each alone.
    static constexpr int LinePauseMilliseconds = 200;

    explicit NcidGateway(Net::Network &network, Now now = &std::chrono::steady_clock::now);
    ~NcidGateway() override;
    NcidGateway(const NcidGateway &) = delete;
    NcidGateway &operator=(const NcidGateway &) = delete;

    // Connects (after stopping what ran).
    void start(const NcidSettings::Endpoint &server, std::u16string label);
    // Disconnects and forgets held calls.
    void stop();
    bool running() const { return m_running; }
    bool isConnected() const { return m_connected; }

    void forward(const NcidText::Call &call);
    std::size_t heldCount() const { return m_held.size(); }

    void connected(Net::Connection &connection) override;
    void received(Net::Connection &connection, std::string_view bytes) override;
    void written(Net::Connection &connection) override;
    void disconnected(Net::Connection &connection) override;

private:
    struct Held {
        TimePoint made;
        std::string line;
    };
    void connectNow();
    void sendNext();

    Net::Network &m_network;
    Now m_now;
    NcidSettings::Endpoint m_server;
    std::u16string m_label;
    bool m_running = false;
    bool m_connected = false;
    std::unique_ptr<Net::Connection> m_connection;
    std::unique_ptr<Net::Timer> m_retry;
    std::unique_ptr<Net::Timer> m_pause;
    Backoff m_backoff;
    std::deque<Held> m_held;
};
