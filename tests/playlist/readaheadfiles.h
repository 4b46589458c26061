#pragma once

#include "support/scratchfolder.h"

#include <QByteArray>

#include <gtest/gtest.h>
#include <sys/types.h>

// Files for the read-ahead tests: movies of any size made as sparse files, and what the tests
// look for in the copies.
namespace readaheadfiles {

inline constexpr qint64 MiB = 1024 * 1024;

QByteArray contents(const QByteArray &path);
// Whether the file holds exactly these bytes; a failure tells where they part rather than
// printing megabytes.
testing::AssertionResult holds(const QByteArray &path, const QByteArray &expected);
bool exists(const QByteArray &path);
mode_t permissions(const QByteArray &path);
void writeFile(const QByteArray &path, const QByteArray &bytes, mode_t mode = 0644);
// A movie of the given size whose name stands at its start and its end, so that copies of
// different movies differ; the middle is a hole, quick to make.
QByteArray makeMovie(const ScratchFolder &folder, const QByteArray &name, qint64 size,
                     mode_t mode = 0644);

} // namespace readaheadfiles
