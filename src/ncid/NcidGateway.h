// Nubrel as a gateway: each new call goes to an existing NCID server as one
// CALL line. A call counts as delivered only once the server has taken it: a
// server sends every call back to every client, the gateway included, so the
// gateway waits for its own call to come back before it sends the next. A
// server that takes calls without sending them back is asked whether it is
// there; one that does not answer is connected to again and the call sent
// again. Calls made while the server is away are held, each with its own time
// (the server keeps the date and time of the CALL line), and sent one at a time
// once it is back.
#pragma once

#include "ncid/Backoff.h"
#include "ncid/LineSplitter.h"
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
    using NoteFunction = std::function<void(const std::u16string &entry)>;

    // A day's calls survive a long outage of the server's host.
    static constexpr std::chrono::hours HoldFor{24};
    static constexpr std::size_t MaxHeld = 100;
    // How long the server has to send a call back, and then to answer.
    static constexpr int EchoMilliseconds = 5000;
    static constexpr int AnswerMilliseconds = 10000;
    // Between one delivered call and the next: a server reads one line at a
    // time and drops the rest of what it read.
    static constexpr int LinePauseMilliseconds = 200;

    explicit NcidGateway(Net::Network &network, Now now = &std::chrono::steady_clock::now);
    ~NcidGateway() override;
    NcidGateway(const NcidGateway &) = delete;
    NcidGateway &operator=(const NcidGateway &) = delete;

    // Calls given up on (too old, or too many) are noted once.
    void setNote(NoteFunction note) { m_note = std::move(note); }

    // Connects (after stopping what ran).
    void start(const NcidSettings::Endpoint &server, std::u16string label);
    // Disconnects and forgets held calls.
    void stop();
    bool running() const { return m_running; }
    bool isConnected() const { return m_stage != Stage::Away; }

    void forward(const NcidText::Call &call);
    // Calls not yet taken by the server, the one on its way included.
    std::size_t heldCount() const { return m_held.size(); }

    void connected(Net::Connection &connection) override;
    void received(Net::Connection &connection, std::string_view bytes) override;
    void written(Net::Connection &connection) override;
    void disconnected(Net::Connection &connection) override;

private:
    struct Held {
        TimePoint made;
        NcidText::CallTime when;
        std::string line;
    };
    enum class Stage {
        Away,     // not connected
        Starting, // connected, the server's start-up not over
        Ready,    // nothing on its way
        Sent,     // the first held call is on its way
        Asked,    // it did not come back; the server was asked if it is there
        Pausing,  // a call was taken; the next waits a moment
    };
    void connectNow();
    void closeAndRetry();
    void sendNext();
    void dropExpired();
    void taken();
    void timerDue();
    void startTimer(int milliseconds);

    Net::Network &m_network;
    Now m_now;
    NoteFunction m_note;
    NcidSettings::Endpoint m_server;
    std::u16string m_label;
    bool m_running = false;
    Stage m_stage = Stage::Away;
    std::unique_ptr<Net::Connection> m_connection;
    std::unique_ptr<Net::Timer> m_retry;
    std::unique_ptr<Net::Timer> m_timer;
    LineSplitter m_lines{NcidText::MaxServerLine};
    Backoff m_backoff;
    std::deque<Held> m_held;
};
