// One running copy per program folder: a lock file outside the folder, so a
// refused start touches none of the program's files.
#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

class QtInstanceGuard {
public:
    explicit QtInstanceGuard(const QString &programFolder);
    // False when another copy of the program runs from the same folder.
    bool tryLock();
    static QString lockPathFor(const QString &programFolder);

private:
    std::unique_ptr<QLockFile> m_lock;
};
