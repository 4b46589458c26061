#pragma once

#include <QByteArray>
#include <QTemporaryDir>

// A temporary folder that the test fills with files; removed with the object.
class ScratchFolder final
{
public:
    ScratchFolder();

    // The local 8-bit path of a name inside the folder.
    QByteArray path(const QByteArray &name) const;
    // Creates a file of the given size and returns its path.
    QByteArray makeFile(const QByteArray &name, qint64 size = 16) const;

private:
    QTemporaryDir m_dir;
};
