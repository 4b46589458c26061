#pragma once

#include <QLockFile>
#include <QString>

// Only one player runs per user. The first start holds this lock in the user's runtime folder
// for its whole life and listens for hand-offs beside it; a start that finds the lock held hands
// its files over instead. Without a private runtime folder (an empty folder name) there is no
// safe place for the lock: every start then runs as a player of its own, without hand-offs.
class InstanceLock final
{
public:
    explicit InstanceLock(const QString &runtimeFolder = defaultRuntimeFolder());
    Q_DISABLE_COPY_MOVE(InstanceLock)

    // True when this process is now the first instance. A lock left by a dead process is taken.
    bool tryAcquire();
    // Empty without a runtime folder.
    QString serverPath() const;

    static QString defaultRuntimeFolder();

private:
    QString m_folder;
    QLockFile m_lock;
};
