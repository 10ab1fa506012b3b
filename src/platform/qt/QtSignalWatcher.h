// Turns SIGTERM, SIGINT and SIGHUP into a call on the event loop, so they end
// the program through its ordinary shut-down.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

class QtSignalWatcher final : public QObject {
    Q_OBJECT
public:
    explicit QtSignalWatcher(std::function<void()> onSignal, QObject *parent = nullptr);
    ~QtSignalWatcher() override;

private:
    std::function<void()> m_onSignal;
    QSocketNotifier *m_notifier = nullptr;
};
