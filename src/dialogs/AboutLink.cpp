#include "dialogs/AboutLink.h"

#include "dialogs/FindFile.h"
#include "dialogs/Warnings.h"
#include "platform/EventPump.h"
#include "platform/Launcher.h"
#include "platform/Prompts.h"

const std::u16string AboutLink::BrowserFile = u"IEXPLORE.EXE";
const std::u16string AboutLink::SearchRoot = u"c:\\";

namespace {
const std::u16string BrowserNotStarted = u"Microsoft Internet Explorerを起動出来ませんでした。";
} // namespace

AboutLink::AboutLink(Prompts &prompts, Launcher &launcher, EventPump &events,
                     std::u16string address, Hooks hooks)
    : m_prompts(prompts), m_launcher(launcher), m_events(events), m_address(std::move(address)),
      m_hooks(std::move(hooks))
{
}

void AboutLink::showMessage(const std::u16string &line)
{
    warnUser(m_prompts, line);
}

void AboutLink::lblHome_MouseDown(int button, int, double, double)
{
    if (button != 1 || m_launching)
        return;
    m_launching = true;
    const auto boxOpen = [this] { return !m_hooks.isBoxOpen || m_hooks.isBoxOpen(); };

    if (m_hooks.isStopped && !m_hooks.isStopped()) {
        showMessage(u"一時停止させます。ｲﾝﾀｰﾈｯﾄ切断後、開始して下さい。");
        // Monitoring stops even when the box went away under the message; when
        // it was stopped meanwhile (the port's question, the tray's menu), the
        // toggle would start it again behind the user's back.
        if (m_hooks.mnuTime_Click && !m_hooks.isStopped())
            m_hooks.mnuTime_Click();
        if (!boxOpen()) {
            m_launching = false;
            return;
        }
    }

    if (m_hooks.setWaitCursor)
        m_hooks.setWaitCursor(true);
    const bool started = startBrowser(m_address + u'/');
    if (m_hooks.setWaitCursor)
        m_hooks.setWaitCursor(false);

    if (!started && boxOpen())
        showMessage(BrowserNotStarted);
    m_launching = false;
    if (m_hooks.closeBox)
        m_hooks.closeBox();
}

namespace {
// The search stops when the program ends and when the box goes (OK, or the
// program's end closing it): nothing would be started then anyway.
class WhileOpen final : public EventPump {
public:
    WhileOpen(EventPump &events, std::function<bool()> open)
        : m_events(events), m_open(std::move(open))
    {
    }
    bool processPendingEvents() override { return m_events.processPendingEvents() && m_open(); }

private:
    EventPump &m_events;
    std::function<bool()> m_open;
};
} // namespace

bool AboutLink::startBrowser(const std::u16string &url)
{
    const auto boxOpen = [this] { return !m_hooks.isBoxOpen || m_hooks.isBoxOpen(); };
    if (!m_hooks.searchRoot.empty()) {
        std::u16string found;
        WhileOpen events(m_events, boxOpen);
        // Cut short, or the box went away during the search (the program is
        // ending): start nothing and report nothing.
        if (!FindFile(BrowserFile, m_hooks.searchRoot, found, events) || !boxOpen())
            return true;
        if (!found.empty())
            return m_launcher.startProgram(found, {url});
    }
    // No drive to search, or no such browser on it (current Windows may have
    // none): the user's default browser opens the page. Its handler may find
    // no browser only after it has started, when the box may be gone: the
    // message then stands on its own.
    Prompts &prompts = m_prompts;
    return m_launcher.openUrl(url, [&prompts] { warnUser(prompts, BrowserNotStarted); });
}
