// The three NCID roles as the [NCID] settings ask for them: a server for the
// household's clients, a gateway to an existing server and a client of one.
// Settings are applied again whenever they are read; a role whose settings did
// not change keeps its connections.
#pragma once

#include "ncid/NcidClient.h"
#include "ncid/NcidGateway.h"
#include "ncid/NcidServer.h"
#include "ncid/NcidSettings.h"

#include <functional>
#include <set>
#include <string>

class NcidService {
public:
    using LogFunction = std::function<void(const std::u16string &entry)>;

    NcidService(Net::Network &network, const NcidCallLog &callLog, std::string version,
                LogFunction log, NcidClient::CallFunction onSourceCall);

    void configure(const NcidSettings::Values &values);
    // Every role off, every connection closed.
    void stop();

    // SOURCE is set: the calls come from a server, not from the device.
    bool sourceActive() const { return m_applied.source.has_value(); }
    // While paused the calls SOURCE announces are let go; the pause outlives
    // a change of SOURCE.
    void setPaused(bool paused) { m_client.setPaused(paused); }
    // A new call the program recorded, for the server's clients and, unless
    // it came from SOURCE, for the gateway's server.
    void callRecorded(const NcidText::Call &call, bool fromSource);

    const NcidServer &server() const { return m_server; }
    const NcidGateway &gateway() const { return m_gateway; }
    const NcidClient &client() const { return m_client; }

private:
    // Each entry goes to the log once in a run, however often it recurs.
    void note(const std::u16string &entry);

    NcidServer m_server;
    NcidGateway m_gateway;
    NcidClient m_client;
    LogFunction m_log;
    NcidSettings::Settings m_applied;
    std::set<std::u16string> m_noted;
};
