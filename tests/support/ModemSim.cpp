#include "ModemSim.h"

namespace {
// Only a guard against a hung simulator: every acknowledgement comes at once.
constexpr int HangGuardMs = 10000;
} // namespace

ModemSim::ModemSim(const QString &program) : m_program(program)
{
    // Its diagnostics stay apart from the acknowledgements.
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
}

ModemSim::~ModemSim()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(HangGuardMs)) {
        m_process.kill();
        m_process.waitForFinished(HangGuardMs);
    }
}

bool ModemSim::start(const QStringList &arguments)
{
    m_process.start(m_program, arguments);
    if (!m_process.waitForStarted(HangGuardMs))
        return false;
    QString path;
    if (!readLine(path) || !path.startsWith(u'/'))
        return false;
    m_devicePath = path;
    return true;
}

bool ModemSim::readLine(QString &line)
{
    for (;;) {
        const qsizetype end = m_buffer.indexOf('\n');
        if (end >= 0) {
            line = QString::fromUtf8(m_buffer.left(end));
            m_buffer.remove(0, end + 1);
            return true;
        }
        if (m_process.state() == QProcess::NotRunning && m_process.bytesAvailable() == 0)
            return false;
        if (m_process.bytesAvailable() == 0 && !m_process.waitForReadyRead(HangGuardMs))
            return false;
        m_buffer += m_process.readAllStandardOutput();
    }
}

QString ModemSim::readAcknowledgement()
{
    QString line;
    while (readLine(line)) {
        if (line.startsWith(QStringLiteral("ok ")) || line.startsWith(QStringLiteral("error")))
            return line;
        m_notices << line;
    }
    return {};
}

QString ModemSim::command(const QString &line)
{
    m_process.write(line.toUtf8() + '\n');
    m_process.waitForBytesWritten(HangGuardMs);
    return readAcknowledgement();
}

bool ModemSim::okAll(const QStringList &lines)
{
    QByteArray batch;
    for (const QString &line : lines)
        batch += line.toUtf8() + '\n';
    m_process.write(batch);
    m_process.waitForBytesWritten(HangGuardMs);
    bool allOk = true;
    for (qsizetype i = 0; i < lines.size(); ++i)
        allOk = readAcknowledgement().startsWith(QStringLiteral("ok ")) && allOk;
    return allOk;
}

bool ModemSim::waitForExit()
{
    return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(HangGuardMs);
}
