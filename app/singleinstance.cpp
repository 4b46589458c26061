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
    return m_lock.tryLock(0);
}

QString InstanceLock::serverPath() const
{
    return m_folder + QStringLiteral("/MutexVelmo.socket");
}

QString InstanceLock::defaultRuntimeFolder()
{
    // Qt makes sure this folder exists and belongs to the user alone (mode 0700).
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}
