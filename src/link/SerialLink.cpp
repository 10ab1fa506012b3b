#include "link/SerialLink.h"

#include "config/basNbComIni.h"
#include "dialogs/Warnings.h"
#include "log/DiagnosticLog.h"
#include "platform/Cp932.h"
#include "platform/MainView.h"
#include "platform/Prompts.h"
#include "platform/SerialPort.h"
#include "state/ProgramFiles.h"
#include "text/Cp932Bytes.h"
#include "text/NumericText.h"
#include "text/Text.h"

#include <algorithm>
#include <chrono>

namespace {

const std::u16string SourceName = u"Nubrel";

// Finds "OK" in the bytes from `from` on, stepping over double-byte characters
// so that a trail byte never counts. `from` is left at a character boundary
// where the next search can resume.
bool containsOk(const std::string &bytes, std::size_t &from)
{
    std::size_t i = from;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (Cp932Bytes::isLeadByte(b)) {
            if (i + 1 >= bytes.size())
                break; // its trail byte has not arrived yet
            i += 2;
            continue;
        }
        if (b == 'O') {
            if (i + 1 >= bytes.size())
                break;
            if (bytes[i + 1] == 'K') {
                from = i;
                return true;
            }
        }
        ++i;
    }
    from = i;
    return false;
}

// Marks the link busy for the whole exchange, its question and its message.
class BusyScope {
public:
    explicit BusyScope(bool &flag) : m_flag(flag) { m_flag = true; }
    ~BusyScope() { m_flag = false; }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    bool &m_flag;
};

} // namespace

SerialLink::SerialLink(ProgramState &state, SerialPort &port, const basNbComIni &ini,
                       const DiagnosticLog &log, Prompts &prompts, MainView &view)
    : m_state(state), m_port(port), m_ini(ini), m_log(log), m_prompts(prompts), m_view(view)
{
}

std::u16string SerialLink::deviceForPort(std::int16_t port) const
{
    // [PORTS] is read afresh each time, for the platforms that use it.
    return m_port.deviceForPort(port, [this](const std::u16string &portName) {
        const std::u16string mapped = m_ini.GetIniString(u"PORTS", portName, std::u16string());
        return std::u16string(Text::trimmed(mapped));
    });
}

std::u16string SerialLink::portText(std::int16_t port)
{
    return port < 0 ? Text::number(port) : u' ' + Text::number(port);
}

std::u16string SerialLink::lineSettingsFor(const std::u16string &speed)
{
    const std::u16string trimmed(Text::trimmed(speed));
    if (IsNumeric(trimmed))
        return trimmed + u",N,8,1";
    return u"9600,N,8,1";
}

void SerialLink::ApplyCommPort()
{
    m_appliedPort = m_state.ComPort <= 0 ? std::int16_t{2} : m_state.ComPort;
    // A refused port keeps the one in force; the next exchange reports it.
    m_port.selectPort(deviceForPort(m_appliedPort));
}

void SerialLink::ApplyCommSettings()
{
    m_port.setLineSettings(lineSettingsFor(m_state.ComSpeed));
}

void SerialLink::SendCommand(const std::u16string &command, std::u16string &reply,
                             std::int16_t &result)
{
    BusyScope busy(m_busy);
    ++m_state.iTry;
    result = ExchangeResult::Answered;
    reply.clear();
    // The device for the applied port is looked up again at every exchange,
    // so a [PORTS] line mended after 停止 holds at the next 開始.
    m_port.selectPort(deviceForPort(m_appliedPort));

    int errorNumber = 0;
    std::u16string errorText;
    if (!m_port.open(errorNumber, errorText)) {
        m_log.WriteLog(ProgramFiles::LogFile, SourceName,
                       u"ｴﾗｰ番号[" + Text::number(errorNumber) + u']' + errorText);
        const bool exitChosen = m_prompts.fncMsgDlg(
            m_view.title(),
            u"COM" + portText(m_state.ComPort) + u"は使用できません。別のﾎﾟｰﾄに設定してください。");
        result = exitChosen ? ExchangeResult::EndProgram : ExchangeResult::StopMonitoring;
        return;
    }

    m_port.discardInput();
    m_port.write(Cp932::encode(command));

    // Asleep until a byte arrives, an event is due or the deadline passes;
    // the events are dispatched inside the wait.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(UnansweredWaitMs);
    std::string received;
    std::size_t searchFrom = 0;
    std::int32_t lcnt = 0;
    bool answered = false;
    while (!m_state.Unloaded) {
        if (m_port.waitingInput() > 0) {
            received += m_port.readAll();
            if (containsOk(received, searchFrom)) {
                answered = true;
                break;
            }
            // The bytes searched already go, all but the latest half: an
            // answer may begin in the read that passed the limit.
            if (received.size() > MaxReplyBytes) {
                const std::size_t dropped = received.size() - MaxReplyBytes / 2;
                received.erase(0, dropped);
                searchFrom -= dropped;
            }
            // A device that never stops sending junk is no answer either.
            if (std::chrono::steady_clock::now() >= deadline)
                break;
        } else if (!m_port.waitForInput(deadline)) {
            break;
        }
        lcnt = std::min(lcnt + 1, MaxPoll);
    }
    if (!answered)
        lcnt = MaxPoll + 1;
    m_port.close();
    m_lcnt = lcnt;
    reply = Cp932::decode(received);

    if (m_state.Unloaded) {
        result = ExchangeResult::Unanswered;
        return;
    }
    if (answered) {
        m_state.iTry = 0;
        return;
    }
    if (m_state.iTry <= 2) {
        result = ExchangeResult::Unanswered;
        return;
    }
    m_log.WriteLog(ProgramFiles::LogFile, SourceName,
                   u"iTry=[" + Text::number(m_state.iTry) + u"]lcnt=[" + Text::number(lcnt) + u"]" +
                       u"F=[" + reply + u']');
    warnUser(m_prompts, u"受信できません。COM" + portText(m_state.ComPort) +
                            u"の設定を確認して、再起動してください。");
    result = ExchangeResult::EndProgram;
}

std::int16_t SerialLink::SendInitCommand()
{
    std::u16string reply;
    std::int16_t result = ExchangeResult::Answered;
    SendCommand(u"AT$i10 = 1\r", reply, result);
    return result;
}
