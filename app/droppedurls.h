#pragma once

#include <QByteArray>
#include <QList>
#include <QUrl>

// The local file names of URLs dropped by a file manager, as the file system spells them
// (byte for byte, also when they are not UTF-8). Other URLs are left out.
QList<QByteArray> localFileNames(const QList<QUrl> &urls);
