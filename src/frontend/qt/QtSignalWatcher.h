// Turns SIGTERM, SIGINT and SIGHUP into a call on the event loop, so they end
// the program through its ordinary shut-down.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

class QtSignalWatcher final : public QObject {
    Q_OBJECT
public:
    // `onSignal` runs the shut-down and says whether it started it; false
    // means it had run already. From then on the signals take their default
    // action, as does a second signal that comes before the event loop took
    // the first: a program that is still running can always be ended.
    explicit QtSignalWatcher(std::function<bool()> onSignal, QObject *parent = nullptr);
    ~QtSignalWatcher() override;

private:
    void handle(int signalNumber);

    std::function<bool()> m_onSignal;
    QSocketNotifier *m_notifier = nullptr;
};
