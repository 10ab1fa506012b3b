#include "ncid/NcidClient.h"

NcidClient::NcidClient(Net::Network &network, CallFunction onCall, Now now)
    : m_network(network), m_onCall(std::move(onCall)), m_now(std::move(now))
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
    m_watch.reset();
    m_connection.reset();
}

void NcidClient::connectNow()
{
    ++m_generation;
    m_retry.reset();
    m_watch.reset();
    m_connected = false;
    m_inStartup = true;
    m_lines.clear();
    m_connection = m_network.connect(m_server.host, m_server.port, *this);
}

void NcidClient::closeAndRetry()
{
    ++m_generation;
    m_connected = false;
    m_watch.reset();
    m_connection.reset();
    if (m_running)
        m_retry = m_network.startTimer(m_backoff.next(), [this] { connectNow(); });
}

void NcidClient::connected(Net::Connection &connection)
{
    m_connected = true;
    m_asked = false;
    m_lastHeard = m_now();
    // The call log is the server's history, never calls of now: not wanted.
    connection.write(NcidText::HelloNoLog);
    watch(IdleMilliseconds);
}

void NcidClient::watch(int milliseconds)
{
    m_watch = m_network.startTimer(milliseconds, [this] { watchDue(); });
}

void NcidClient::watchDue()
{
    m_watch.reset();
    if (!m_connection)
        return;
    const auto quiet = m_now() - m_lastHeard;
    if (m_asked) {
        if (quiet >= std::chrono::milliseconds(AnswerMilliseconds)) {
            if (m_noteOnce)
                m_noteOnce(NcidSettings::quietServerEntry(m_server));
            closeAndRetry();
            return;
        }
        m_asked = false;
    }
    const auto idle = std::chrono::milliseconds(IdleMilliseconds);
    if (quiet < idle) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(idle - quiet);
        watch(static_cast<int>(std::max<long long>(1, left.count())));
        return;
    }
    m_asked = true;
    m_lastHeard = m_now();
    m_connection->write(NcidText::AreYouThere);
    watch(AnswerMilliseconds);
}

bool NcidClient::takeOne()
{
    if (m_rate.take(m_now()))
        return true;
    if (m_noteOnce)
        m_noteOnce(NcidSettings::tooManyCallsEntry(m_server));
    return false;
}

void NcidClient::received(Net::Connection &, std::string_view bytes)
{
    m_lastHeard = m_now();
    m_asked = false;
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
            // Only a server that finished its start-up is up: one that answers
            // and closes at once is tried less and less often.
            if (!m_inStartup)
                m_backoff.reset();
            continue;
        }
        if (const auto message = NcidText::messageText(line)) {
            if (!message->empty() && takeOne() && m_noteEach)
                m_noteEach(NcidSettings::messageEntry(m_server, *message));
            continue;
        }
        if (m_paused)
            continue;
        if (const auto call = NcidText::parseCid(line)) {
            if (call->number.size() > NcidText::MaxNumberDigits) {
                if (m_noteOnce)
                    m_noteOnce(NcidSettings::longNumberEntry(m_server));
                continue;
            }
            if (!takeOne())
                continue;
            m_onCall(*call);
            if (generation != m_generation)
                return;
        }
    }
}

void NcidClient::written(Net::Connection &) {}

void NcidClient::disconnected(Net::Connection &)
{
    closeAndRetry();
}
