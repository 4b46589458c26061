#include "app/singleinstance.h"

#include <QStandardPaths>

InstanceLock::InstanceLock(const QString &runtimeFolder)
    : m_folder(runtimeFolder)
    , m_lock(runtimeFolder + QStringLiteral("/MutexVelmo.lock"))
{
    // Only a lock whose process has died is stale, however old it is.
    m_lock.setStaleLockTime(0);
}

bool InstanceLock::tryAcquire()
{
    // Without a private folder no later start could find this one, nor could this one tell a
    // lock held by a player from a folder it may not write to.
    if (m_folder.isEmpty())
        return true;
    return m_lock.tryLock(0);
}

QString InstanceLock::serverPath() const
{
    if (m_folder.isEmpty())
        return {};
    return m_folder + QStringLiteral("/MutexVelmo.socket");
}

QString InstanceLock::defaultRuntimeFolder()
{
    // Qt makes sure this folder exists and belongs to the user alone (mode 0700), and gives
    // nothing when no such folder can be had.
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}
