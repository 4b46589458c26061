#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Run by a later start: hands the command-line files to the running player. Nothing is sent
// when there are no arguments.
void HandOffArguments(const QList<QByteArray> &arguments, const QString &serverPath);

// Builds the hand-off block of the names and sends it to the player listening at serverPath.
// A player that is still starting up is given a few seconds to listen. False when it could not
// be reached.
bool PostFileList(const QString &serverPath, const QList<QByteArray> &names);

// The path made absolute against the given folder; an absolute path is returned as it is.
QByteArray absolutePath(const QByteArray &path, const QByteArray &currentFolder);
