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
    m_connected = false;
    m_retry.reset();
    m_pause.reset();
    m_connection.reset();
    m_held.clear();
}

void NcidGateway::forward(const NcidText::Call &call)
{
    if (!m_running)
        return;
    if (m_held.size() >= MaxHeld)
        m_held.pop_front();
    m_held.push_back({m_now(), NcidText::callLine(call, m_label)});
    sendNext();
}

void NcidGateway::connectNow()
{
    m_retry.reset();
    m_connected = false;
    m_connection = m_network.connect(m_server.host, m_server.port, *this);
}

void NcidGateway::sendNext()
{
    if (!m_connected || m_pause || m_connection->pending() > 0)
        return;
    const TimePoint now = m_now();
    while (!m_held.empty() && now - m_held.front().made > HoldFor)
        m_held.pop_front();
    if (m_held.empty())
        return;
    m_connection->write(m_held.front().line);
    m_held.pop_front();
    m_pause = m_network.startTimer(LinePauseMilliseconds, [this] {
        m_pause.reset();
        sendNext();
    });
}

void NcidGateway::connected(Net::Connection &)
{
    m_connected = true;
    sendNext();
}

void NcidGateway::received(Net::Connection &, std::string_view)
{
    // The server's start-up and the calls it echoes mean nothing here; that it
    // speaks at all shows it is up, so the next failure starts from 1 s again.
    m_backoff.reset();
}

void NcidGateway::written(Net::Connection &)
{
    sendNext();
}

void NcidGateway::disconnected(Net::Connection &)
{
    m_connected = false;
    m_pause.reset();
    m_connection.reset();
    if (!m_running)
        return;
    m_retry = m_network.startTimer(m_backoff.next(), [this] { connectNow(); });
}
