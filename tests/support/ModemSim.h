// Runs the simulated device (tools/modemsim) for a test: starts it, learns its
// device path, and sends it control commands, each waited for until the
// simulator has acknowledged it.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

class ModemSim {
public:
    // `program` is the simulator's executable (NUBREL_MODEMSIM in the tests).
    explicit ModemSim(const QString &program);
    ~ModemSim();
    ModemSim(const ModemSim &) = delete;
    ModemSim &operator=(const ModemSim &) = delete;

    // Starts it with these options ("--kind", "1", ...) and waits for its device path.
    bool start(const QStringList &arguments = {});
    QString devicePath() const { return m_devicePath; }

    // Sends one control command; the simulator's acknowledgement ("ok ..." or
    // "error: ..."), or the empty text when none came.
    QString command(const QString &line);
    // True when the command was acknowledged with "ok".
    bool ok(const QString &line) { return command(line).startsWith(QStringLiteral("ok ")); }
    // Several commands in one write; true when every one was acknowledged with "ok".
    bool okAll(const QStringList &lines);

    // Lines the simulator printed that answer no command, such as "auto call ...".
    QStringList notices() const { return m_notices; }
    bool waitForExit();
    int exitCode() const { return m_process.exitCode(); }
    QByteArray errorOutput() { return m_process.readAllStandardError(); }

private:
    // The next line of its output, waiting at most the hang guard's time.
    bool readLine(QString &line);
    // The next acknowledgement, keeping other lines as notices.
    QString readAcknowledgement();

    QString m_program;
    QProcess m_process;
    QByteArray m_buffer;
    QString m_devicePath;
    QStringList m_notices;
};
