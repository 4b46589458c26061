#pragma once

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

// Writes an AVI of Motion JPEG frames stored as two fields each, as capture cards record
// interlaced video: every chunk holds the JPEG of the frame's top field followed by the JPEG of
// its bottom field, each half the frame's height, and the header gives the whole frame's size.
// fields holds the field pictures in order (top, bottom, top, bottom, ...). Throws
// std::runtime_error when the file cannot be written.
void writeFieldMjpegAvi(const QString &path, const QList<QByteArray> &fields, QSize frameSize,
                        int fps);

// Splits the output of ffmpeg's MJPEG image pipe into its JPEG pictures.
QList<QByteArray> splitJpegStream(const QByteArray &stream);
