#pragma once

#include <QTextStream>

#include <cstdio>

// Where the benchmarks write: the results on standard output, progress on standard error, so
// that the table can be piped on its own.
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

} // namespace bench
