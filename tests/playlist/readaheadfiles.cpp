#include "tests/playlist/readaheadfiles.h"

#include "text/pathparts.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace readaheadfiles {

QByteArray contents(const QByteArray &path)
{
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

testing::AssertionResult holds(const QByteArray &path, const QByteArray &expected)
{
    const QByteArray actual = contents(path);
    if (actual == expected)
        return testing::AssertionSuccess();
    qsizetype at = 0;
    while (at < qMin(actual.size(), expected.size()) && actual[at] == expected[at])
        ++at;
    return testing::AssertionFailure()
            << path.constData() << " has " << actual.size() << " bytes where " << expected.size()
            << " were expected; they differ from byte " << at;
}

bool exists(const QByteArray &path)
{
    struct stat info
    {};
    return ::lstat(path.constData(), &info) == 0;
}

mode_t permissions(const QByteArray &path)
{
    struct stat info
    {};
    return ::stat(path.constData(), &info) == 0 ? info.st_mode & 0777 : 0;
}

void writeFile(const QByteArray &path, const QByteArray &bytes, mode_t mode)
{
    ::chmod(path.constData(), 0644);
    QFile file(QFile::decodeName(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    ::chmod(path.constData(), mode);
}

QByteArray makeMovie(const ScratchFolder &folder, const QByteArray &name, qint64 size, mode_t mode)
{
    QDir().mkpath(QFile::decodeName(pathparts::folderPart(folder.path(name))));
    const QByteArray path = folder.makeFile(name, size);
    const int fd = ::open(path.constData(), O_WRONLY);
    const auto mark = qMin<qint64>(name.size(), size);
    if (fd < 0 || ::pwrite(fd, name.constData(), size_t(mark), 0) != mark
        || (size >= 2 * mark && ::pwrite(fd, name.constData(), size_t(mark), size - mark) != mark))
        throw std::runtime_error("cannot write " + path.toStdString());
    ::close(fd);
    ::chmod(path.constData(), mode);
    return path;
}

} // namespace readaheadfiles
