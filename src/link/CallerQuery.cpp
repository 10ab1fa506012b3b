#include "link/CallerQuery.h"

#include "calls/CallRecorder.h"
#include "link/ReplyParsers.h"

CallerQuery::CallerQuery(ProgramState &state, SerialLink &link, CallRecorder &recorder)
    : m_state(state), m_link(link), m_recorder(recorder)
{
}

std::u16string CallerQuery::commandForKind(std::int16_t kind)
{
    switch (kind) {
    case 0:
        return u"AT\\L1\r";
    case 1:
        return u"at$a\r";
    default:
        return {};
    }
}

std::int16_t CallerQuery::FetchCallerNumber()
{
    std::u16string number;
    std::u16string reply;
    const std::u16string command = commandForKind(m_state.Product.Kind);
    if (command.empty())
        return FetchResult::NoNewNumber;

    std::int16_t r = ExchangeResult::Answered;
    m_link.SendCommand(command, reply, r);
    if (m_state.Unloaded)
        return FetchResult::NoNewNumber;
    if (r == ExchangeResult::EndProgram || r == ExchangeResult::StopMonitoring)
        return r;
    if (r != ExchangeResult::Answered)
        return FetchResult::NoNewNumber;

    bool changed = false;
    // The settings dialog may have changed the product while the reply was awaited.
    switch (m_state.Product.Kind) {
    case 0:
        ReplyParsers::ParseCallingPartyReply(reply, number);
        break;
    case 1:
        ReplyParsers::ParseNumberReply(reply, number, changed, m_state.LastCallNo);
        break;
    default:
        return FetchResult::NoNewNumber;
    }
    std::int16_t recorded = 0;
    m_recorder.RecordCall(number, changed, recorded);
    return recorded == 1 ? FetchResult::NewNumber : FetchResult::NoNewNumber;
}

void CallerQuery::MSComm1_OnComm([[maybe_unused]] int commEvent) {}
