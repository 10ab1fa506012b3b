#include "ncid/NcidGateway.h"

NcidGateway::NcidGateway(Net::Network &network, Now now) : m_network(network), m_now(std::move(now))
{
}

NcidGateway::~NcidGateway() = default;

void NcidGateway::start(const NcidSettings::Endpoint &server, std::u16string label)
{
    stop();
    m_server = server;
    m_label = std::move(label);
    m_running = true;
    m_backoff.reset();
    connectNow();
}

void NcidGateway::stop()
{
    m_running = false;
    m_stage = Stage::Away;
    m_retry.reset();
    m_timer.reset();
    m_connection.reset();
    m_held.clear();
}

void NcidGateway::forward(const NcidText::Call &call)
{
    if (!m_running)
        return;
    if (m_held.size() >= MaxHeld) {
        // The oldest waiting call goes, never the one on its way.
        const bool onItsWay = m_stage == Stage::Sent || m_stage == Stage::Asked;
        m_held.erase(m_held.begin() + (onItsWay && m_held.size() > 1 ? 1 : 0));
        if (m_note)
            m_note(NcidSettings::unsentCallsEntry(m_server));
    }
    m_held.push_back({m_now(), call.when, NcidText::callLine(call, m_label)});
    sendNext();
}

void NcidGateway::connectNow()
{
    m_retry.reset();
    m_timer.reset();
    m_stage = Stage::Away;
    m_lines.clear();
    m_connection = m_network.connect(m_server.host, m_server.port, *this);
}

void NcidGateway::closeAndRetry()
{
    m_stage = Stage::Away;
    m_timer.reset();
    m_connection.reset();
    if (m_running)
        m_retry = m_network.startTimer(m_backoff.next(), [this] { connectNow(); });
}

void NcidGateway::dropExpired()
{
    const TimePoint now = m_now();
    bool dropped = false;
    while (!m_held.empty() && now - m_held.front().made > HoldFor) {
        m_held.pop_front();
        dropped = true;
    }
    if (dropped && m_note)
        m_note(NcidSettings::unsentCallsEntry(m_server));
}

void NcidGateway::sendNext()
{
    if (m_stage != Stage::Ready)
        return;
    dropExpired();
    if (m_held.empty())
        return;
    m_connection->write(m_held.front().line);
    m_stage = Stage::Sent;
    startTimer(EchoMilliseconds);
}

void NcidGateway::startTimer(int milliseconds)
{
    m_timer = m_network.startTimer(milliseconds, [this] { timerDue(); });
}

void NcidGateway::timerDue()
{
    m_timer.reset();
    switch (m_stage) {
    case Stage::Sent:
        // Not back: a server that does not send calls back, or a connection
        // that leads nowhere. An answer tells which.
        m_stage = Stage::Asked;
        m_connection->write(NcidText::AreYouThere);
        startTimer(AnswerMilliseconds);
        break;
    case Stage::Asked:
        // No answer: the call is sent again on a new connection.
        closeAndRetry();
        break;
    case Stage::Pausing:
        m_stage = Stage::Ready;
        sendNext();
        break;
    default:
        break;
    }
}

void NcidGateway::taken()
{
    if (!m_held.empty())
        m_held.pop_front();
    m_stage = Stage::Pausing;
    startTimer(LinePauseMilliseconds);
}

void NcidGateway::connected(Net::Connection &)
{
    m_stage = Stage::Starting;
}

void NcidGateway::received(Net::Connection &, std::string_view bytes)
{
    m_lines.append(bytes);
    std::string line;
    while (m_connection) {
        const LineSplitter::Next next = m_lines.next(line);
        if (next == LineSplitter::Next::None)
            return;
        if (next == LineSplitter::Next::TooLong)
            continue;
        switch (m_stage) {
        case Stage::Starting:
            if (NcidText::isEndOfStartup(line)) {
                // Only a server that finished its start-up is up.
                m_backoff.reset();
                m_stage = Stage::Ready;
                sendNext();
            }
            break;
        case Stage::Sent:
        case Stage::Asked:
            if (!m_held.empty() && NcidText::isEchoOf(line, m_held.front().when))
                taken();
            else if (m_stage == Stage::Asked && line.starts_with("ACK: REQ: YO"))
                taken(); // up, and took the call without sending it back
            break;
        default:
            break;
        }
    }
}

void NcidGateway::written(Net::Connection &) {}

void NcidGateway::disconnected(Net::Connection &)
{
    closeAndRetry();
}
