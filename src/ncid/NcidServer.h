// Nubrel as an NCID server: each client gets the start-up lines with the call
// history, then every new call at the moment it is recorded. A client is
// never waited for: one that sends too long a line or stops reading is
// disconnected, and beyond the limit a new one is closed at once.
#pragma once

#include "ncid/LineSplitter.h"
#include "ncid/NcidSettings.h"
#include "ncid/NcidText.h"
#include "platform/Network.h"

#include <memory>
#include <string>
#include <vector>

// Where the history a client gets at its start comes from.
class NcidCallLog {
public:
    virtual ~NcidCallLog() = default;
    // How the history stands; the file's text when there is one.
    virtual NcidText::History history(std::u16string &text) const = 0;
    // The phonebook's name for a number; empty when unknown.
    virtual std::u16string nameFor(const std::u16string &number) const = 0;
};

class NcidServer {
public:
    struct Failure {
        std::string address;
        std::string error;
    };

    NcidServer(Net::Network &network, const NcidCallLog &callLog, std::string version);
    ~NcidServer();
    NcidServer(const NcidServer &) = delete;
    NcidServer &operator=(const NcidServer &) = delete;

    // Listens on each address (after stopping what ran); the addresses that
    // could not be used come back. Serving as long as one listens.
    std::vector<Failure> start(const NcidSettings::Listen &listen, std::u16string label);
    // Closes every client and stops listening.
    void stop();
    bool serving() const { return !m_listeners.empty(); }
    // The port of the first address listened on; 0 when not serving.
    std::uint16_t port() const;

    // A new call, to every client at once.
    void announce(const NcidText::Call &call);
    std::size_t clientCount() const { return m_clients.size(); }

private:
    class Client;
    void accept(std::unique_ptr<Net::Connection> connection);
    // False when the client had to go (it was dropped).
    bool send(Client &client, std::string_view bytes);
    void drop(Client &client);
    void lineFrom(Client &client, std::string_view bytes);

    Net::Network &m_network;
    const NcidCallLog &m_callLog;
    std::string m_version;
    std::u16string m_label = u"-";
    std::vector<std::unique_ptr<Net::Listener>> m_listeners;
    std::vector<std::unique_ptr<Client>> m_clients;
};
