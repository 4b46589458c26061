#include "settings/settingslocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace settings {

QString configFolder(const QString &xdgConfigHome, const QString &home)
{
    if (!xdgConfigHome.isEmpty() && QDir::isAbsolutePath(xdgConfigHome))
        return xdgConfigHome;
    return QDir(home).filePath(QStringLiteral(".config"));
}

QString settingsFilePath(const QString &executableFolder, const QString &configFolder)
{
    if (!executableFolder.isEmpty()) {
        const QString beside = QDir(executableFolder).filePath(SettingsFileName);
        // access() rather than the permission bits: it also knows read-only mounts.
        const bool writable = ::access(QFile::encodeName(executableFolder).constData(), W_OK) == 0;
        if (writable || QFileInfo(beside).isFile())
            return beside;
    }
    return QDir(configFolder).filePath(QStringLiteral("VelmoMP/") + SettingsFileName);
}

QString settingsFilePath(const QString &executableFolder)
{
    // QDir::homePath() is HOME, or the root folder when HOME is unset.
    return settingsFilePath(
            executableFolder,
            configFolder(qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath()));
}

bool ensureFolderFor(const QString &filePath)
{
    return QDir().mkpath(QFileInfo(filePath).absolutePath());
}

} // namespace settings
