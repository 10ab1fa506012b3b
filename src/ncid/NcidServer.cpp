#include "ncid/NcidServer.h"

#include <algorithm>

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
    std::vector<Failure> failures;
    for (const std::string &address : listen.addresses) {
        std::string error;
        auto listener = m_network.listen(
            address, listen.port,
            [this](std::unique_ptr<Net::Connection> connection) { accept(std::move(connection)); },
            error);
        if (listener)
            m_listeners.push_back(std::move(listener));
        else
            failures.push_back({address, error});
    }
    return failures;
}

void NcidServer::stop()
{
    m_listeners.clear();
    m_clients.clear();
}

std::uint16_t NcidServer::port() const
{
    return m_listeners.empty() ? 0 : m_listeners.front()->port();
}

void NcidServer::accept(std::unique_ptr<Net::Connection> connection)
{
    // Beyond the limit the connection is closed as it comes, unanswered.
    if (m_clients.size() >= NcidText::MaxClients)
        return;
    m_clients.push_back(std::make_unique<Client>(*this, std::move(connection)));
    Client &client = *m_clients.back();

    std::string startup = NcidText::banner(m_version);
    std::u16string text;
    const NcidText::History history = m_callLog.history(text);
    startup += NcidText::callLog(history, text, m_label, [this](const std::u16string &number) {
        return m_callLog.nameFor(number);
    });
    startup += NcidText::EndOfStartup;
    send(client, startup);
}

void NcidServer::announce(const NcidText::Call &call)
{
    if (m_clients.empty())
        return;
    const std::string line = NcidText::cidLine(call, m_label);
    std::vector<Client *> gone;
    for (const auto &client : m_clients) {
        client->connection().write(line);
        if (client->connection().pending() > NcidText::MaxUnsent)
            gone.push_back(client.get());
    }
    for (Client *client : gone)
        drop(*client);
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
            drop(client);
            return;
        case LineSplitter::Next::Line:
            if (const auto answer = NcidText::answerTo(line)) {
                if (!send(client, *answer))
                    return;
            }
            break;
        }
    }
}
