#pragma once

#include <QFile>
#include <QList>
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>

// What the benchmarks share: where they write (results on standard output, progress on
// standard error, so that the table can be piped on its own) and how they sum up timings.
namespace bench {

inline QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

inline QTextStream &progress()
{
    static QTextStream stream(stderr);
    return stream;
}

// The resident memory of a process in MiB (VmRSS of /proc/<pid>/status, or /proc/self/status
// without a pid), 0 when it cannot be read.
inline double residentMiB(qint64 pid = 0)
{
    QFile status(pid > 0 ? QStringLiteral("/proc/%1/status").arg(pid)
                         : QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

// Timings of one operation, kept in milliseconds.
class Samples
{
public:
    void add(qint64 nanoseconds) { m_ms.append(double(nanoseconds) / 1e6); }

    double median() const
    {
        const QList<double> ms = sorted();
        const qsizetype middle = ms.size() / 2;
        return ms.size() % 2 != 0 ? ms.at(middle) : (ms.at(middle - 1) + ms.at(middle)) / 2;
    }

    // Nearest rank: with few samples this is the slowest one.
    double p95() const
    {
        const QList<double> ms = sorted();
        const auto rank = qsizetype(std::ceil(0.95 * double(ms.size())));
        return ms.at(std::clamp<qsizetype>(rank - 1, 0, ms.size() - 1));
    }

private:
    QList<double> sorted() const
    {
        QList<double> ms = m_ms;
        std::sort(ms.begin(), ms.end());
        return ms;
    }

    QList<double> m_ms;
};

} // namespace bench
