#include "ncid/NcidClient.h"

NcidClient::NcidClient(Net::Network &network, CallFunction onCall)
    : m_network(network), m_onCall(std::move(onCall))
{
}

NcidClient::~NcidClient() = default;

void NcidClient::start(const NcidSettings::Endpoint &server)
{
    stop();
    m_server = server;
    m_running = true;
    m_backoff.reset();
    connectNow();
}

void NcidClient::stop()
{
    ++m_generation;
    m_running = false;
    m_connected = false;
    m_retry.reset();
    m_connection.reset();
}

void NcidClient::connectNow()
{
    ++m_generation;
    m_retry.reset();
    m_connected = false;
    m_inStartup = true;
    m_lines.clear();
    m_connection = m_network.connect(m_server.host, m_server.port, *this);
}

void NcidClient::connected(Net::Connection &)
{
    m_connected = true;
}

void NcidClient::received(Net::Connection &, std::string_view bytes)
{
    m_backoff.reset();
    m_lines.append(bytes);
    const std::uint64_t generation = m_generation;
    std::string line;
    while (true) {
        const LineSplitter::Next next = m_lines.next(line);
        if (next == LineSplitter::Next::None)
            return;
        if (next == LineSplitter::Next::TooLong)
            continue;
        if (m_inStartup) {
            m_inStartup = !NcidText::isEndOfStartup(line);
            continue;
        }
        if (m_paused)
            continue;
        if (const auto call = NcidText::parseCid(line)) {
            m_onCall(*call);
            if (generation != m_generation)
                return;
        }
    }
}

void NcidClient::written(Net::Connection &) {}

void NcidClient::disconnected(Net::Connection &)
{
    ++m_generation;
    m_connected = false;
    m_connection.reset();
    if (!m_running)
        return;
    m_retry = m_network.startTimer(m_backoff.next(), [this] { connectNow(); });
}
