#include "ncid/NcidService.h"

NcidService::NcidService(Net::Network &network, const NcidCallLog &callLog, std::string version,
                         LogFunction log, NcidClient::CallFunction onSourceCall)
    : m_server(network, callLog, std::move(version)), m_gateway(network),
      m_client(network, std::move(onSourceCall)), m_log(std::move(log))
{
}

void NcidService::configure(const NcidSettings::Values &values)
{
    NcidSettings::Settings next = NcidSettings::parse(values);
    for (const std::u16string &value : next.unreadable)
        note(NcidSettings::unreadableEntry(value));

    const bool lineChanged = next.line != m_applied.line;
    // An address that was busy is tried again: the settings command is how
    // the user asks for that once the port is free.
    if (lineChanged || next.listen != m_applied.listen || m_listenFailed) {
        m_server.stop();
        m_listenFailed = false;
        if (next.listen) {
            for (const auto &failure : m_server.start(*next.listen, next.line)) {
                m_listenFailed = true;
                note(NcidSettings::listenFailedEntry(failure.address, next.listen->port,
                                                     failure.error));
            }
        }
    }
    if (lineChanged || next.forward != m_applied.forward) {
        m_gateway.stop();
        if (next.forward)
            m_gateway.start(*next.forward, next.line);
    }
    if (next.source != m_applied.source) {
        m_client.stop();
        if (next.source)
            m_client.start(*next.source);
    }
    m_applied = std::move(next);
}

void NcidService::stop()
{
    m_server.stop();
    m_gateway.stop();
    m_client.stop();
    m_applied = NcidSettings::Settings();
    m_listenFailed = false;
}

void NcidService::callRecorded(const NcidText::Call &call, bool fromSource)
{
    m_server.announce(call);
    if (!fromSource && m_gateway.running())
        m_gateway.forward(call);
}

void NcidService::note(const std::u16string &entry)
{
    if (m_noted.insert(entry).second && m_log)
        m_log(entry);
}
