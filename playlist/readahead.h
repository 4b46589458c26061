#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The two read-ahead speed-ups offered for slow media: reading a small movie once so that the
// system's disk cache holds it, or playing a copy of it in a temporary folder. Paths are local
// 8-bit file names, used as they are so that names that are not UTF-8 keep working.
namespace playlist {

// Whether a movie of fileSizeMB whole MiB is below the limit a size setting's text gives: its
// integer value as the player reads numbers, 0 when it is none, so an empty or unreadable limit
// admits nothing.
bool underLimit(int fileSizeMB, QByteArrayView limitText);

// The copy's name for a movie: the temporary folder, given a trailing '/' when it lacks one,
// then "VelmoMPtemp", then the extension of the movie's name part with its full stop. Movies of
// the same extension share one copy; a name without a full stop gives a copy without one.
QByteArray copyName(const QByteArray &tempDir, const QByteArray &moviePath);

// Reads the whole file once, in large blocks, and discards what it read; failures are ignored.
void warmUp(const QByteArray &path);

// Whether both paths name one existing file, through links too.
bool sameFile(const QByteArray &a, const QByteArray &b);

// Gives the file owner write permission and deletes it. A symbolic link is deleted itself and
// its target left alone. Failures are ignored.
void removeCopy(const QByteArray &path);

// Copies the file to the name, replacing what was there (read-only or not), and gives the copy
// the source's permission bits. A copy that fails midway is deleted, so that a truncated movie
// is never played. Refuses to copy a file onto itself. Returns whether the copy is complete.
bool copyFile(const QByteArray &from, const QByteArray &to);

} // namespace playlist
