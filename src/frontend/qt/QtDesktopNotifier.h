// Desktop notifications over the session bus (org.freedesktop.Notifications).
#pragma once

#include "platform/DesktopNotifier.h"

#include <QImage>
#include <QObject>
#include <optional>

class QDBusPendingCallWatcher;

class QtDesktopNotifier final : public QObject, public DesktopNotifier {
    Q_OBJECT
public:
    // `icon` goes with every notification as its picture.
    explicit QtDesktopNotifier(QImage icon, QObject *parent = nullptr);

    void notify(const std::u16string &summary, const std::u16string &body) override;

    // The body as sent: servers that read markup in it get the text escaped,
    // so a name shows as it was typed.
    static QString bodyFor(const QString &name, bool serverReadsMarkup);

private:
    struct Pending {
        QString summary;
        QString body;
    };
    void askCapabilities();
    void send(const Pending &notification);

    QImage m_icon;
    // Unknown until the server has answered: what it offers is asked once.
    std::optional<bool> m_markup;
    bool m_asking = false;
    std::optional<Pending> m_waiting; // the latest call while the server is asked
    uint m_lastId = 0;                // replaced by the next notification
};
