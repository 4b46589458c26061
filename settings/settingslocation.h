#pragma once

#include <QString>

// Where the settings file lives: beside the executable, as the player has always kept it, or in
// the user's configuration folder when an installed player cannot write there.
namespace settings {

inline constexpr QLatin1StringView SettingsFileName("VelmoMP.ini");

// The user's configuration folder from the values of XDG_CONFIG_HOME and HOME: a relative or
// empty XDG_CONFIG_HOME is ignored, as the XDG base directory rules ask, for home's ".config".
QString configFolder(const QString &xdgConfigHome, const QString &home);

// The settings file beside the executable when this process may write to that folder or the
// file is already there, otherwise "VelmoMP/VelmoMP.ini" inside configFolder.
QString settingsFilePath(const QString &executableFolder, const QString &configFolder);
// The same with the configuration folder of the environment.
QString settingsFilePath(const QString &executableFolder);

// Creates the folder a file is to be written in when it is missing; false when that fails.
bool ensureFolderFor(const QString &filePath);

} // namespace settings
