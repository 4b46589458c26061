#include "support/scratchfolder.h"

#include <QFile>

#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

ScratchFolder::ScratchFolder()
{
    if (!m_dir.isValid())
        throw std::runtime_error("cannot create a scratch folder");
}

QByteArray ScratchFolder::path(const QByteArray &name) const
{
    return QFile::encodeName(m_dir.path()) + '/' + name;
}

QByteArray ScratchFolder::makeFile(const QByteArray &name, qint64 size) const
{
    // POSIX calls keep names that are not UTF-8 intact.
    const QByteArray file = path(name);
    const int fd = ::open(file.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, size) != 0)
        throw std::runtime_error("cannot create " + file.toStdString());
    ::close(fd);
    return file;
}
