// 着信履歴.TXT: one line per call, appended and closed again. A line that cannot
// be written is kept and written with the next line that succeeds.
#pragma once

#include "platform/Clock.h"

#include <QByteArray>
#include <QString>

class DiagnosticLog;

class HistoryFile {
public:
    // Lines kept while the file cannot be written; beyond this the oldest go.
    static constexpr qsizetype MaxPendingBytes = 4 * 1024 * 1024;

    HistoryFile(QString programFolder, const Clock &clock, const DiagnosticLog &log);

    void WriteHistory(const QString &fileName, const QString &number);
    // One more try for the lines kept, as the program ends; true when none is
    // left.
    bool WritePending(const QString &fileName);

    // "yyyy/mm/dd,hh:nn:ss,number", without the line end.
    static QString formatLine(const QDateTime &when, const QString &number);

    // Bytes of lines not yet in the file.
    const QByteArray &pending() const { return m_pending; }

private:
    // Appends the kept lines; on failure takes a partly written tail off again.
    bool appendPending(const QString &path);

    QString m_folder;
    const Clock &m_clock;
    const DiagnosticLog &m_log;
    QByteArray m_pending;
    bool m_failing = false;
};
