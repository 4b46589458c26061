#pragma once

// What the page cache holds of a file, and dropping it, for benchmarks that time cold reads.

#include <QByteArray>
#include <QtGlobal>

#include <sys/mman.h>
#include <sys/stat.h>

#include <algorithm>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace bench {

class Descriptor final
{
public:
    Descriptor(const QByteArray &path, int flags)
        : m_fd(::open(path.constData(), flags | O_CLOEXEC, 0644))
    {
        if (m_fd < 0)
            throw std::runtime_error("cannot open " + path.toStdString());
    }
    ~Descriptor() { ::close(m_fd); }
    Q_DISABLE_COPY_MOVE(Descriptor)
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// The share of the file's pages that the page cache holds, 0 to 1.
inline double residentShare(const QByteArray &path)
{
    const Descriptor file(path, O_RDONLY);
    struct stat info
    {};
    if (::fstat(file.fd(), &info) != 0 || info.st_size == 0)
        return 0;
    const auto length = size_t(info.st_size);
    void *map = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, file.fd(), 0);
    if (map == MAP_FAILED)
        throw std::runtime_error("cannot map " + path.toStdString());
    const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> pages((length + page - 1) / page);
    const int result = ::mincore(map, length, pages.data());
    ::munmap(map, length);
    if (result != 0)
        throw std::runtime_error("cannot see the page cache of " + path.toStdString());
    return double(std::count_if(pages.begin(), pages.end(), [](unsigned char p) { return p & 1; }))
            / double(pages.size());
}

// Without root the whole cache cannot be dropped, but the kernel drops the clean pages of one
// file on request; residentShare() tells whether it did.
inline void evict(const QByteArray &path)
{
    const Descriptor file(path, O_RDONLY);
    ::fdatasync(file.fd());
    ::posix_fadvise(file.fd(), 0, 0, POSIX_FADV_DONTNEED);
}

} // namespace bench
