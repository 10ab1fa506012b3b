// Nubrel as an NCID client: the calls a server announces become the program's
// calls. What the server sends before "300" (its history) is not a call; each
// CID line after it is one, handed on unless calls are paused. The connection
// is made again after a growing pause whenever it fails or ends, and ended
// when a server that has been quiet for long does not answer a question: a
// server whose host went away without closing would otherwise be waited for
// without end.
#pragma once

#include "ncid/Backoff.h"
#include "ncid/LineSplitter.h"
#include "ncid/NcidSettings.h"
#include "ncid/NcidText.h"
#include "ncid/RateLimit.h"
#include "platform/Network.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class NcidClient final : public Net::ConnectionHandler {
public:
    using CallFunction = std::function<void(const NcidText::ReceivedCall &)>;
    using NoteFunction = std::function<void(const std::u16string &entry)>;
    using TimePoint = std::chrono::steady_clock::time_point;
    using Now = std::function<TimePoint()>;

    // Quiet this long, the server is asked whether it is there; it has this
    // long to answer.
    static constexpr int IdleMilliseconds = 4 * 60 * 1000;
    static constexpr int AnswerMilliseconds = 30 * 1000;
    // A household's telephone does not ring more often: calls and messages
    // beyond this are let go.
    static constexpr int CallBurst = 5;
    static constexpr std::chrono::seconds CallEvery{10};

    NcidClient(Net::Network &network, CallFunction onCall,
               Now now = &std::chrono::steady_clock::now);
    ~NcidClient() override;
    NcidClient(const NcidClient &) = delete;
    NcidClient &operator=(const NcidClient &) = delete;

    // What is worth the log: `once` for a server gone quiet or calls let go
    // (the log takes each entry once), `each` for the server's messages.
    void setNotes(NoteFunction once, NoteFunction each)
    {
        m_noteOnce = std::move(once);
        m_noteEach = std::move(each);
    }

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
    void closeAndRetry();
    void watch(int milliseconds);
    void watchDue();
    // False when the line's call or message is one too many.
    bool takeOne();

    Net::Network &m_network;
    CallFunction m_onCall;
    Now m_now;
    NoteFunction m_noteOnce;
    NoteFunction m_noteEach;
    NcidSettings::Endpoint m_server;
    bool m_running = false;
    bool m_connected = false;
    bool m_paused = false;
    bool m_inStartup = true;
    bool m_asked = false; // the server was asked whether it is there
    TimePoint m_lastHeard{};
    // Changes whenever the connection is replaced, so a call handed on can
    // tell whether what it did ended the one being read.
    std::uint64_t m_generation = 0;
    std::unique_ptr<Net::Connection> m_connection;
    std::unique_ptr<Net::Timer> m_retry;
    std::unique_ptr<Net::Timer> m_watch;
    LineSplitter m_lines{NcidText::MaxServerLine};
    Backoff m_backoff;
    RateLimit m_rate{CallBurst, CallEvery};
};
