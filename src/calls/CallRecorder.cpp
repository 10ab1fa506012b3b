#include "calls/CallRecorder.h"

#include "calls/CallAnnouncer.h"
#include "calls/HistoryFile.h"
#include "phonebook/Phonebook.h"
#include "platform/MainView.h"
#include "platform/TrayIcon.h"
#include "state/ProgramFiles.h"
#include "text/NumericText.h"

CallRecorder::CallRecorder(ProgramState &state, MainView &view, TrayIcon &tray,
                           HistoryFile &history)
    : m_state(state), m_view(view), m_tray(tray), m_history(history)
{
}

void CallRecorder::RecordCall(std::u16string &number, bool changed, std::int16_t &result)
{
    RecordCall(number, changed, result, std::u16string_view());
}

void CallRecorder::RecordCall(std::u16string &number, bool changed, std::int16_t &result,
                              std::u16string_view knownName)
{
    if (!IsNumeric(number))
        number = WithheldMark;

    result = 0;
    if (changed || number != m_state.LastNumber) {
        m_state.LastNumber = number;
        if (m_phonebook) {
            m_phonebook->refresh();
            m_state.LastName = m_phonebook->nameFor(number);
        }
        if (!knownName.empty() && number != WithheldMark &&
            (m_phonebook == nullptr || m_state.LastName.empty()))
            m_state.LastName = knownName;
        if (number == WithheldMark) {
            m_view.setTextColor(WithheldColor);
            m_view.setTitle(u"非通知");
        } else {
            m_view.setTextColor(NumberColor);
            m_view.setTitle(number);
        }
        m_state.trayIconData.szTip = m_view.title() + u'\0';
        m_state.trayIconData.nameLine = m_state.LastName;
        m_tray.Shell_NotifyIcon(NotifyMessage::NIM_MODIFY, m_state.trayIconData);
        if (m_state.BaselineRead && m_state.HistTxt == 0)
            m_history.WriteHistory(ProgramFiles::HistoryFile, m_state.LastNumber);
        // Passed on are the calls the history would get, whether it is kept
        // or not: not the number that was there before start-up.
        if (m_state.BaselineRead && m_announcer)
            m_announcer->announce(m_state.LastNumber, m_view.title(), m_state.LastName);
        if (m_state.BaselineRead && m_listener)
            m_listener(m_state.LastNumber, m_state.LastName);
        result = 1;
    }
    if (!m_state.BaselineRead)
        m_state.BaselineRead = true;
}
