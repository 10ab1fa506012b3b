#include "link/TimForm.h"

#include "link/CallerQuery.h"
#include "link/SerialLink.h"
#include "platform/MainView.h"
#include "platform/TipView.h"

TimForm::TimForm(ProgramState &state, SerialLink &link, CallerQuery &query, MainView &view,
                 TipView &tip, Orders orders)
    : m_state(state), m_link(link), m_query(query), m_view(view), m_tip(tip),
      m_orders(std::move(orders))
{
}

void TimForm::TimForm_Timer()
{
    if (m_state.Unloaded)
        return;
    if (m_tip.isTipVisible())
        m_tip.hideTip();
    if (!m_askDevice)
        return;
    // A tick that falls due while an exchange, its question or its message is
    // open is skipped: a second exchange would find the port busy.
    if (m_state.Stopped || m_link.busy())
        return;

    const std::int16_t result = m_query.FetchCallerNumber();
    if (m_state.Unloaded)
        return;
    switch (result) {
    case FetchResult::EndProgram:
        m_orders.endProgram();
        break;
    case FetchResult::NewNumber:
        m_view.repaint();
        // Stopped from the tray's menu while the exchange waited: the number
        // is shown, but no pop-up comes up that only the next 開始 would hide.
        if (m_state.InTray && !m_state.Stopped) {
            m_tip.refreshTip();
            m_tip.showTip();
        }
        break;
    case FetchResult::StopMonitoring:
        m_orders.stopMonitoring();
        break;
    default:
        break;
    }
}
