#include "ncid/NcidService.h"

NcidService::NcidService(Net::Network &network, const NcidCallLog &callLog, std::string version,
                         LogFunction log, NcidClient::CallFunction onSourceCall)
    : m_server(network, callLog, std::move(version)), m_gateway(network),
      m_client(network, std::move(onSourceCall)), m_log(std::move(log))
{
    const auto once = [this](const std::u16string &entry) { note(entry); };
    m_server.setNote(once);
    m_gateway.setNote(once);
    m_client.setNotes(once, [this](const std::u16string &entry) {
        if (m_log)
            m_log(entry);
    });
}

void NcidService::configure(const NcidSettings::Values &values)
{
    NcidSettings::Settings next = NcidSettings::parse(values);
    for (const std::u16string &value : next.unreadable)
        note(NcidSettings::unreadableEntry(value));

    const bool lineChanged = next.line != m_applied.line;
    const auto noteFailures = [this, &next](const std::vector<NcidServer::Failure> &failures) {
        for (const auto &failure : failures)
            note(
                NcidSettings::listenFailedEntry(failure.address, next.listen->port, failure.error));
    };
    if (lineChanged || next.listen != m_applied.listen) {
        m_server.stop();
        if (next.listen)
            noteFailures(m_server.start(*next.listen, next.line));
    } else if (next.listen) {
        // An address that was busy is tried again: the settings command is
        // how the user asks for that once the port is free. The addresses
        // that listen keep their clients (a machine without IPv6 never
        // listens on ::1, and its clients on 127.0.0.1 stay).
        noteFailures(m_server.retryFailed());
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
