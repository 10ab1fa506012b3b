// What the About box's home-page link does when it is pressed: pause
// monitoring, start the browser on the maker's page, report a failure, close
// the box. The box supplies the hooks; the decisions live here.
#pragma once

#include <functional>
#include <string>

class Prompts;
class Launcher;
class EventPump;

class AboutLink {
public:
    struct Hooks {
        std::function<bool()> isStopped;     // monitoring paused?
        std::function<void()> mnuTime_Click; // the main window's Start/Stop
        std::function<void(bool)> setWaitCursor;
        std::function<void()> closeBox;
        // False once the box has gone (the program ending under a message):
        // nothing more is started then.
        std::function<bool()> isBoxOpen;
        // Where the browser's executable is looked for, the whole tree under
        // it; empty: no search, the desktop's default browser opens the page.
        std::u16string searchRoot;
    };

    static const std::u16string BrowserFile; // "IEXPLORE.EXE"
    static const std::u16string SearchRoot;  // "c:\", the drive searched on Windows

    AboutLink(Prompts &prompts, Launcher &launcher, EventPump &events, std::u16string address,
              Hooks hooks);

    // Button and Shift are sets of bits (1 left, 2 right, 4 middle; 1 Shift,
    // 2 Ctrl, 4 Alt); only the left button alone starts the launch.
    void lblHome_MouseDown(int button, int shift, double x, double y);

    // True while a launch is under way; a second press meanwhile is ignored.
    bool launching() const { return m_launching; }

private:
    bool startBrowser(const std::u16string &url);
    void showMessage(const std::u16string &line);

    Prompts &m_prompts;
    Launcher &m_launcher;
    EventPump &m_events;
    std::u16string m_address;
    Hooks m_hooks;
    bool m_launching = false;
};
