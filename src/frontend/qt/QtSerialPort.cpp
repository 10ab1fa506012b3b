#include "frontend/qt/QtSerialPort.h"
#include "frontend/qt/QtText.h"

#include <QStringList>
#include <algorithm>
#include <array>

#include <QEventLoop>
#include <QTimer>

namespace {
// The rates Linux has termios constants for. QSerialPort would program any
// other rate as a custom divisor, which most adapters do not do faithfully.
constexpr std::array<qint32, 30> StandardRates{
    50,     75,     110,     134,     150,     200,     300,     600,     1200,    1800,
    2400,   4800,   9600,    19200,   38400,   57600,   115200,  230400,  460800,  500000,
    576000, 921600, 1000000, 1152000, 1500000, 2000000, 2500000, 3000000, 3500000, 4000000};

bool parseRate(const QString &text, qint32 &rate)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    bool ok = false;
    const qint32 value = text.toInt(&ok);
    if (!ok || std::find(StandardRates.begin(), StandardRates.end(), value) == StandardRates.end())
        return false;
    rate = value;
    return true;
}

bool parseParity(const QString &text, QSerialPort::Parity &parity)
{
    if (text.size() != 1)
        return false;
    switch (text[0].toUpper().unicode()) {
    case u'N':
        parity = QSerialPort::NoParity;
        return true;
    case u'E':
        parity = QSerialPort::EvenParity;
        return true;
    case u'O':
        parity = QSerialPort::OddParity;
        return true;
    case u'M':
        parity = QSerialPort::MarkParity;
        return true;
    case u'S':
        parity = QSerialPort::SpaceParity;
        return true;
    default:
        return false;
    }
}

bool parseDataBits(const QString &text, QSerialPort::DataBits &bits)
{
    static const std::array<std::pair<QStringView, QSerialPort::DataBits>, 4> table{{
        {u"5", QSerialPort::Data5},
        {u"6", QSerialPort::Data6},
        {u"7", QSerialPort::Data7},
        {u"8", QSerialPort::Data8},
    }};
    for (const auto &[name, value] : table) {
        if (text == name) {
            bits = value;
            return true;
        }
    }
    return false;
}

bool parseStopBits(const QString &text, QSerialPort::StopBits &bits)
{
    if (text == u"1") {
        bits = QSerialPort::OneStop;
        return true;
    }
    if (text == u"2") {
        bits = QSerialPort::TwoStop;
        return true;
    }
    return false;
}

} // namespace

QtSerialPort::QtSerialPort()
{
    // Made once: a wait happens at every byte of an answer.
    m_deadline.setSingleShot(true);
    m_deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_deadline, &QTimer::timeout, &m_wait, &QEventLoop::quit);
    QObject::connect(&m_port, &QSerialPort::readyRead, &m_wait, &QEventLoop::quit);
    // A device that has gone (a USB adapter pulled, the other end of a
    // pseudo-terminal closed) reads as end of file at every wake-up.
    QObject::connect(
        &m_port, &QSerialPort::errorOccurred, &m_wait, [this](QSerialPort::SerialPortError error) {
            if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
                m_broken = true;
                m_wait.quit();
            }
        });
}

QtSerialPort::~QtSerialPort()
{
    close();
}

std::u16string QtSerialPort::deviceForPort(std::int16_t port, const PortMapping &mapped) const
{
    const std::u16string device = mapped(fromQt(QStringLiteral("COM") + QString::number(port)));
    if (!device.empty())
        return device;
    return fromQt(QStringLiteral("/dev/ttyS") + QString::number(port - 1));
}

bool QtSerialPort::selectPort(const std::u16string &device)
{
    const QString deviceName = toQt(device);
    if (deviceName.isEmpty())
        return false;
    m_deviceName = deviceName;
    return true;
}

bool QtSerialPort::setLineSettings(const std::u16string &text)
{
    const QString settings = toQt(text);
    const QStringList fields = settings.split(u',');
    if (fields.size() != 4)
        return false;
    qint32 rate = 0;
    QSerialPort::Parity parity{};
    QSerialPort::DataBits dataBits{};
    QSerialPort::StopBits stopBits{};
    if (!parseRate(fields[0], rate) || !parseParity(fields[1], parity) ||
        !parseDataBits(fields[2], dataBits) || !parseStopBits(fields[3], stopBits))
        return false;
    m_baudRate = rate;
    m_parity = parity;
    m_dataBits = dataBits;
    m_stopBits = stopBits;
    return true;
}

bool QtSerialPort::open(int &errorNumber, std::u16string &errorText)
{
    if (m_port.isOpen()) {
        // The settings of the exchange in progress stay as they are.
        errorNumber = QSerialPort::OpenError;
        errorText = u"Device is already open";
        return false;
    }
    m_port.setPortName(m_deviceName);
    m_port.setBaudRate(m_baudRate);
    m_port.setParity(m_parity);
    m_port.setDataBits(m_dataBits);
    m_port.setStopBits(m_stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    const bool opened = m_port.open(QIODevice::ReadWrite);
    if (!opened || !m_port.isOpen()) {
        errorNumber = m_port.error();
        errorText = fromQt(m_port.errorString());
        if (errorNumber == QSerialPort::NoError)
            errorNumber = QSerialPort::UnknownError;
        m_port.clearError();
        return false;
    }
    // A pseudo-terminal or a plain USB adapter refuses the modem-control calls
    // (UnsupportedOperationError): the port is usable all the same.
    m_port.clearError();
    return true;
}

bool QtSerialPort::isOpen() const
{
    return m_port.isOpen();
}

void QtSerialPort::discardInput()
{
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Input);
}

void QtSerialPort::write(std::string_view data)
{
    if (!m_port.isOpen())
        return;
    m_port.write(data.data(), static_cast<qint64>(data.size()));
    // On Unix this writes what it can without blocking; the event loop sends the rest.
    m_port.flush();
}

std::int64_t QtSerialPort::waitingInput()
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

std::string QtSerialPort::readAll()
{
    return m_port.isOpen() ? m_port.readAll().toStdString() : std::string();
}

bool QtSerialPort::waitForInput(std::chrono::steady_clock::time_point until)
{
    const QDeadlineTimer deadline(until, Qt::PreciseTimer);
    if (waitingInput() > 0)
        return true;
    if (deadline.hasExpired())
        return false;
    // The same wait on every platform: the event loop sleeps in the kernel
    // until the port's notifier, the deadline's timer or another event wakes it.
    m_broken = false;
    m_deadline.start(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0)));
    m_wait.exec();
    if (m_broken) {
        // Its descriptor would wake the loop without end. Closed, the port has
        // nothing more to read, and the wait sleeps out its time like any
        // wait for a device that does not answer.
        m_port.close();
        if (m_deadline.isActive())
            m_wait.exec();
    }
    m_deadline.stop();
    return !m_broken && waitingInput() > 0;
}

void QtSerialPort::close()
{
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
}
