#include "playlist/readahead.h"

#include "text/integertext.h"
#include "text/pathparts.h"

#include <sys/sendfile.h>
#include <sys/stat.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace playlist {
namespace {

// Large enough that a movie is read in a few hundred system calls.
constexpr size_t BlockSize = 1024 * 1024;
// Well below the most one call moves (2 GiB less a page).
constexpr size_t SendSize = 1024 * 1024 * 1024;

// Writes the rest of in to out through a buffer.
bool copyThroughBuffer(int in, int out)
{
    std::vector<char> block(BlockSize);
    for (;;) {
        const ssize_t got = ::read(in, block.data(), block.size());
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, block.data() + done, size_t(got - done));
            if (put > 0)
                done += put;
            else if (put == 0 || errno != EINTR)
                return false;
        }
    }
}

// Writes the whole of in to out. The kernel moves the bytes itself: through a buffer here, a
// large copy now and then took four times as long.
bool copyContents(int in, int out)
{
    bool moved = false;
    for (;;) {
        const ssize_t sent = ::sendfile(out, in, nullptr, SendSize);
        if (sent > 0) {
            moved = true;
        } else if (sent == 0) {
            return true;
        } else if (errno != EINTR) {
            // Some files cannot be sent: pipes, and files of a file system that cannot splice.
            return !moved && (errno == EINVAL || errno == ENOSYS) && copyThroughBuffer(in, out);
        }
    }
}

} // namespace

bool underLimit(int fileSizeMB, QByteArrayView limitText)
{
    return fileSizeMB < integertext::toInteger(limitText).value_or(0);
}

QByteArray copyName(const QByteArray &tempDir, const QByteArray &moviePath)
{
    const QByteArray folder = tempDir.endsWith('/') ? tempDir : tempDir + '/';
    // Only the name part: a full stop in a folder's name is no extension.
    const QByteArray name = pathparts::namePart(moviePath);
    const qsizetype dot = name.lastIndexOf('.');
    return folder + "VelmoMPtemp" + (dot < 0 ? QByteArray() : name.mid(dot));
}

void warmUp(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    std::vector<char> block(BlockSize);
    for (;;) {
        const ssize_t got = ::read(fd, block.data(), block.size());
        if (got == 0 || (got < 0 && errno != EINTR))
            break;
    }
    ::close(fd);
}

bool sameFile(const QByteArray &a, const QByteArray &b)
{
    struct stat first
    {};
    struct stat second
    {};
    return ::stat(a.constData(), &first) == 0 && ::stat(b.constData(), &second) == 0
            && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

void removeCopy(const QByteArray &path)
{
    struct stat info
    {};
    if (::lstat(path.constData(), &info) != 0)
        return;
    // Shares mounted from Windows refuse to delete a read-only file.
    if (S_ISREG(info.st_mode))
        ::chmod(path.constData(), info.st_mode | S_IWUSR);
    ::unlink(path.constData());
}

bool copyFile(const QByteArray &from, const QByteArray &to)
{
    if (sameFile(from, to))
        return false;
    // Whatever was there goes even when the source cannot be read: a stale copy left by an
    // earlier run must not be played in the movie's place.
    removeCopy(to);
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat info
    {};
    // Created afresh, never through a link someone else put in a shared temporary folder.
    const int out = ::fstat(in, &info) != 0
            ? -1
            : ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    bool complete = out >= 0 && copyContents(in, out)
            && ::fchmod(out, info.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO)) == 0;
    if (out >= 0) {
        complete = ::close(out) == 0 && complete;
        if (!complete)
            ::unlink(to.constData());
    }
    ::close(in);
    return complete;
}

} // namespace playlist
