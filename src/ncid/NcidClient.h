// Nubrel as an NCID client: the calls a server announces become the program's
// calls. What the server sends before "300" (its history) is not a call; each
// CID line after it is one, handed on unless calls are paused. The connection
// is made again after a growing pause whenever it fails or ends.
#pragma once

#include "ncid/Backoff.h"
#include "ncid/LineSplitter.h"
#include "ncid/NcidSettings.h"
#include "ncid/NcidText.h"
#include "platform/Network.h"

#include <cstdint>
#include <functional>
#include <memory>

class NcidClient final : public Net::ConnectionHandler {
public:
    using CallFunction = std::function<void(const NcidText::ReceivedCall &)>;

    NcidClient(Net::Network &network, CallFunction onCall);
    ~NcidClient() override;
    NcidClient(const NcidClient &) = delete;
    NcidClient &operator=(const NcidClient &) = delete;

    void start(const NcidSettings::Endpoint &server);
    void stop();
    bool running() const { return m_running; }
    bool isConnected() const { return m_connected; }
    // While paused, calls are read and let go; the connection stays.
    void setPaused(bool paused) { m_paused = paused; }

    void connected(Net::Connection &connection) override;
    void received(Net::Connection &connection, std::string_view bytes) override;
    void written(Net::Connection &connection) override;
    void disconnected(Net::Connection &connection) override;

private:
    void connectNow();

    Net::Network &m_network;
    CallFunction m_onCall;
    NcidSettings::Endpoint m_server;
    bool m_running = false;
    bool m_connected = false;
    bool m_paused = false;
    bool m_inStartup = true;
    // Changes whenever the connection is replaced, so a call handed on can
    // tell whether what it did ended the one being read.
    std::uint64_t m_generation = 0;
    std::unique_ptr<Net::Connection> m_connection;
    std::unique_ptr<Net::Timer> m_retry;
    LineSplitter m_lines{NcidText::MaxServerLine};
    Backoff m_backoff;
};
