#include "frontend/qt/QtDesktopNotifier.h"
#include "frontend/qt/QtText.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");

// The hint "image-data": (iiibiiay), width, height, row stride, alpha, bits
// per sample, channels and RGBA bytes.
struct ImageData {
    QImage image;
};

QDBusArgument &operator<<(QDBusArgument &argument, const ImageData &data)
{
    const QImage rgba = data.image.convertToFormat(QImage::Format_RGBA8888);
    argument.beginStructure();
    argument << rgba.width() << rgba.height() << int(rgba.bytesPerLine()) << true << 8 << 4
             << QByteArray(reinterpret_cast<const char *>(rgba.constBits()), rgba.sizeInBytes());
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, ImageData &)
{
    return argument; // only ever sent
}

} // namespace

Q_DECLARE_METATYPE(ImageData)

QtDesktopNotifier::QtDesktopNotifier(QImage icon, QObject *parent)
    : QObject(parent), m_icon(std::move(icon))
{
    qDBusRegisterMetaType<ImageData>();
}

QString QtDesktopNotifier::bodyFor(const QString &name, bool serverReadsMarkup)
{
    return serverReadsMarkup ? name.toHtmlEscaped() : name;
}

void QtDesktopNotifier::notify(const std::u16string &summaryText, const std::u16string &bodyText)
{
    const QString summary = toQt(summaryText);
    const QString body = toQt(bodyText);
    if (!QDBusConnection::sessionBus().isConnected())
        return;
    const Pending notification{summary, body};
    if (m_markup) {
        send(notification);
        return;
    }
    m_waiting = notification;
    askCapabilities();
}

void QtDesktopNotifier::askCapabilities()
{
    if (m_asking)
        return;
    m_asking = true;
    const QDBusMessage ask =
        QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("GetCapabilities"));
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher *call) {
                call->deleteLater();
                m_asking = false;
                const QDBusPendingReply<QStringList> reply = *call;
                // No server now: ask again with the next call, one may have come.
                if (reply.isError()) {
                    m_waiting.reset();
                    return;
                }
                m_markup = reply.value().contains(QStringLiteral("body-markup"));
                if (m_waiting)
                    send(*std::exchange(m_waiting, std::nullopt));
            });
}

void QtDesktopNotifier::send(const Pending &notification)
{
    QVariantMap hints;
    if (!m_icon.isNull())
        hints.insert(QStringLiteral("image-data"), QVariant::fromValue(ImageData{m_icon}));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("nubrel"));

    QDBusMessage message =
        QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    message << QStringLiteral("Nubrel") << m_lastId << QStringLiteral("nubrel")
            << notification.summary << bodyFor(notification.body, m_markup.value_or(false))
            << QStringList() << hints << -1;
    auto *watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher *call) {
                call->deleteLater();
                const QDBusPendingReply<uint> reply = *call;
                m_lastId = reply.isError() ? 0 : reply.value();
                // The server went away; the next one may offer other things.
                if (reply.isError())
                    m_markup.reset();
            });
}
