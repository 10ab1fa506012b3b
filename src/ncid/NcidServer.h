// Nubrel as an NCID server: each client gets the start-up lines with the call
// history, then every new call at the moment it is recorded, and every
// client's message. A client is never waited for: one that stops reading is
// disconnected, a line too long is skipped, and beyond the limit a new one is
// told so and closed.
#pragma once

#include "ncid/LineSplitter.h"
#include "ncid/NcidSettings.h"
#include "ncid/NcidText.h"
#include "platform/Network.h"

#include <functional>
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
    // Tells the history's versions apart without reading it: while it stays
    // the same, so do the start-up lines built from the history.
    virtual std::string version() const = 0;
};

class NcidServer {
public:
    struct Failure {
        std::string address;
        std::string error;
    };

    using NoteFunction = std::function<void(const std::u16string &entry)>;
    // Refused clients still waiting for their last bytes to leave.
    static constexpr std::size_t MaxRefused = 8;
    static constexpr int RefusedMilliseconds = 5000;

    NcidServer(Net::Network &network, const NcidCallLog &callLog, std::string version);
    ~NcidServer();
    NcidServer(const NcidServer &) = delete;
    NcidServer &operator=(const NcidServer &) = delete;

    // Listens on each address (after stopping what ran); the addresses that
    // could not be used come back. Serving as long as one listens.
    std::vector<Failure> start(const NcidSettings::Listen &listen, std::u16string label);
    // Tries again only the addresses that could not be used; those listened
    // on keep listening and every client stays.
    std::vector<Failure> retryFailed();
    // A refused client is noted (once: the log takes each entry once).
    void setNote(NoteFunction note) { m_note = std::move(note); }
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
    class Refused;
    void accept(std::unique_ptr<Net::Connection> connection);
    void refuse(std::unique_ptr<Net::Connection> connection);
    void listenOn(const std::string &address, std::vector<Failure> &failures);
    const std::string &startupLines();
    // False when the client had to go (it was dropped).
    bool send(Client &client, std::string_view bytes);
    void drop(Client &client);
    // To every client; false when `watched` had to go.
    bool broadcast(const std::string &line, const Client *watched = nullptr);
    void lineFrom(Client &client, std::string_view bytes);

    Net::Network &m_network;
    const NcidCallLog &m_callLog;
    std::string m_version;
    std::u16string m_label = u"-";
    std::uint16_t m_port = 0;
    NoteFunction m_note;
    std::vector<std::string> m_failed;
    std::vector<std::unique_ptr<Net::Listener>> m_listeners;
    std::vector<std::unique_ptr<Client>> m_clients;
    std::vector<std::unique_ptr<Refused>> m_refused;
    // The start-up lines and the history's version they were built from.
    std::string m_startup;
    std::string m_startupVersion;
    bool m_startupBuilt = false;
};
