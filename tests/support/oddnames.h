#pragma once

#include <QByteArray>
#include <QList>

// Long and odd file names made in a folder, for the roads that carry names into the playlist:
// a name of 255 bytes, paths longer than 255 and than 4096 bytes, names longer than 255 bytes,
// blanks, quotes, line breaks and bytes that are not UTF-8. Some names cannot be opened at all,
// and some of those have a cut or split form that is an existing file, the decoy a player that
// cut names would open instead. The files are removed with the object, also where their paths
// are too long for a single system call.
class OddNames final
{
public:
    // folder: an absolute path without a trailing separator; contents: the bytes of each file.
    OddNames(const QByteArray &folder, const QByteArray &contents);
    ~OddNames();
    OddNames(const OddNames &) = delete;
    OddNames &operator=(const OddNames &) = delete;

    // Every name, openable or not, mixed, in the order to give them.
    QList<QByteArray> given;
    // The names of given that name an existing file the system can open by that name, in the
    // same order: exactly these belong in the playlist.
    QList<QByteArray> openable;
    // Existing files that no name of given names.
    QList<QByteArray> decoys;

private:
    QByteArray m_root;
};
