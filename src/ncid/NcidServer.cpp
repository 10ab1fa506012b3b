#include "ncid/NcidServer.h"

#include <algorithm>
#include <utility>

class NcidServer::Client final : public Net::ConnectionHandler {
public:
    Client(NcidServer &server, std::unique_ptr<Net::Connection> connection)
        : m_server(server), m_connection(std::move(connection))
    {
        m_connection->setHandler(this);
    }

    Net::Connection &connection() { return *m_connection; }
    LineSplitter &lines() { return m_lines; }

    void connected(Net::Connection &) override {}
    void received(Net::Connection &, std::string_view bytes) override
    {
        m_server.lineFrom(*this, bytes);
    }
    void written(Net::Connection &) override {}
    void disconnected(Net::Connection &) override { m_server.drop(*this); }

private:
    NcidServer &m_server;
    std::unique_ptr<Net::Connection> m_connection;
    LineSplitter m_lines{NcidText::MaxClientLine};
};

// A client beyond the limit: told why, then closed once that has left or after
// a moment, whichever comes first.
class NcidServer::Refused final : public Net::ConnectionHandler {
public:
    Refused(NcidServer &server, std::unique_ptr<Net::Connection> connection)
        : m_server(server), m_connection(std::move(connection))
    {
        m_connection->setHandler(this);
        m_timer = m_server.m_network.startTimer(RefusedMilliseconds, [this] { leave(); });
    }
    Net::Connection &connection() { return *m_connection; }

    void connected(Net::Connection &) override {}
    void received(Net::Connection &, std::string_view) override {}
    void written(Net::Connection &) override { leave(); }
    void disconnected(Net::Connection &) override { leave(); }

private:
    void leave()
    {
        auto &refused = m_server.m_refused;
        const auto it = std::find_if(refused.begin(), refused.end(),
                                     [this](const auto &held) { return held.get() == this; });
        if (it == refused.end())
            return;
        std::unique_ptr<Refused> leaving = std::move(*it);
        refused.erase(it);
    }

    NcidServer &m_server;
    std::unique_ptr<Net::Connection> m_connection;
    std::unique_ptr<Net::Timer> m_timer;
};

NcidServer::NcidServer(Net::Network &network, const NcidCallLog &callLog, std::string version)
    : m_network(network), m_callLog(callLog), m_version(std::move(version))
{
}

NcidServer::~NcidServer() = default;

std::vector<NcidServer::Failure> NcidServer::start(const NcidSettings::Listen &listen,
                                                   std::u16string label)
{
    stop();
    m_label = std::move(label);
    m_port = listen.port;
    m_startupBuilt = false;
    std::vector<Failure> failures;
    for (const std::string &address : listen.addresses)
        listenOn(address, failures);
    return failures;
}

std::vector<NcidServer::Failure> NcidServer::retryFailed()
{
    std::vector<Failure> failures;
    for (const std::string &address : std::exchange(m_failed, {}))
        listenOn(address, failures);
    return failures;
}

void NcidServer::listenOn(const std::string &address, std::vector<Failure> &failures)
{
    std::string error;
    auto listener = m_network.listen(
        address, m_port,
        [this](std::unique_ptr<Net::Connection> connection) { accept(std::move(connection)); },
        error);
    if (listener) {
        m_listeners.push_back(std::move(listener));
    } else {
        m_failed.push_back(address);
        failures.push_back({address, error});
    }
}

void NcidServer::stop()
{
    m_listeners.clear();
    m_failed.clear();
    m_clients.clear();
    m_refused.clear();
}

std::uint16_t NcidServer::port() const
{
    return m_listeners.empty() ? 0 : m_listeners.front()->port();
}

void NcidServer::accept(std::unique_ptr<Net::Connection> connection)
{
    if (m_clients.size() >= NcidText::MaxClients) {
        refuse(std::move(connection));
        return;
    }
    m_clients.push_back(std::make_unique<Client>(*this, std::move(connection)));
    send(*m_clients.back(), startupLines());
}

void NcidServer::refuse(std::unique_ptr<Net::Connection> connection)
{
    if (m_note)
        m_note(NcidSettings::refusedClientEntry());
    // However many come at once, only a few wait for their reason to leave.
    if (m_refused.size() >= MaxRefused)
        return;
    m_refused.push_back(std::make_unique<Refused>(*this, std::move(connection)));
    m_refused.back()->connection().write(NcidText::banner(m_version) + NcidText::tooManyClients());
}

const std::string &NcidServer::startupLines()
{
    // Built again only when the history changed: a client that connects and
    // closes at once costs a look at the file, not a read of it.
    std::string version = m_callLog.version();
    if (m_startupBuilt && version == m_startupVersion)
        return m_startup;
    m_startup = NcidText::banner(m_version);
    std::u16string text;
    const NcidText::History history = m_callLog.history(text);
    m_startup += NcidText::callLog(history, text, m_label, [this](const std::u16string &number) {
        return m_callLog.nameFor(number);
    });
    m_startup += NcidText::EndOfStartup;
    m_startupVersion = std::move(version);
    m_startupBuilt = true;
    return m_startup;
}

void NcidServer::announce(const NcidText::Call &call)
{
    // The history has a new line: the next client's start-up is built anew
    // even where the file's size and time could not tell.
    m_startupBuilt = false;
    broadcast(NcidText::cidLine(call, m_label));
}

bool NcidServer::broadcast(const std::string &line, const Client *watched)
{
    std::vector<Client *> gone;
    for (const auto &client : m_clients) {
        client->connection().write(line);
        if (client->connection().pending() > NcidText::MaxUnsent)
            gone.push_back(client.get());
    }
    for (Client *client : gone)
        drop(*client);
    return std::find(gone.begin(), gone.end(), watched) == gone.end();
}

bool NcidServer::send(Client &client, std::string_view bytes)
{
    client.connection().write(bytes);
    if (client.connection().pending() <= NcidText::MaxUnsent)
        return true;
    drop(client);
    return false;
}

void NcidServer::drop(Client &client)
{
    const auto it = std::find_if(m_clients.begin(), m_clients.end(),
                                 [&client](const auto &held) { return held.get() == &client; });
    if (it == m_clients.end())
        return;
    // Taken out first: destroying the client may call back into the server.
    std::unique_ptr<Client> leaving = std::move(*it);
    m_clients.erase(it);
}

void NcidServer::lineFrom(Client &client, std::string_view bytes)
{
    LineSplitter &lines = client.lines();
    lines.append(bytes);
    std::string line;
    while (true) {
        switch (lines.next(line)) {
        case LineSplitter::Next::None:
            return;
        case LineSplitter::Next::TooLong:
            break; // skipped up to its end; the client stays
        case LineSplitter::Next::Line:
            if (NcidText::isGoodbye(line)) {
                drop(client);
                return;
            }
            if (NcidText::isMessage(line)) {
                // To every client, the sender included: a client shows its
                // own message when it comes back.
                if (!broadcast(line + std::string(NcidText::LineEnd), &client))
                    return;
                break;
            }
            if (const auto answer = NcidText::answerTo(line)) {
                if (!send(client, *answer))
                    return;
            }
            break;
        }
    }
}
