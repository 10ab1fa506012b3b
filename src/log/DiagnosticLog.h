// Nubrel.log: one line per failure of the device link, appended and closed again.
#pragma once

#include "platform/Clock.h"

#include <QString>

class DiagnosticLog {
public:
    DiagnosticLog(QString programFolder, const Clock &clock);

    // The line: "yyyy/mm/dd hh:nn:ss " + source padded or cut to 10 + " [" +
    // entry + "]" + CR LF, in CP932. False when it could not be written.
    bool WriteLog(const QString &fileName, const QString &sourceName, const QString &entry) const;

    // The line WriteLog writes, without the line end.
    static QString formatLine(const QDateTime &when, const QString &sourceName,
                              const QString &entry);

private:
    QString m_folder;
    const Clock &m_clock;
};
