#pragma once

#include "media/mediadevice.h"
#include "media/mpvdriver.h"
#include "support/testmovies.h"

#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

// A media device on the real engine, without sound, showing into a window of its own.
struct RealDevice
{
    QWidget panel;
    media::MediaDevice device;

    // cacheBytes 0 keeps no pictures: every step decodes.
    explicit RealDevice(qint64 cacheBytes = media::limits::FrameCacheBytes)
        : device(std::make_unique<media::MpvDriver>(media::MpvOptions {{"ao", "null"}}, cacheBytes))
    {
        panel.resize(640, 480);
        device.Display = &panel;
    }

    void open(const QString &path)
    {
        device.FileName = QFile::encodeName(path);
        device.OpenDevice();
    }

    // The device's current picture, at the size it is shown.
    QImage shownPicture()
    {
        QRect destination(0, 0, 192, 144);
        device.WhereDestination(destination);
        QImage picture(destination.size(), QImage::Format_RGB32);
        picture.fill(Qt::black);
        device.PaintFrame(picture);
        return picture;
    }

    // The frame index the device's current picture shows, or -1 when it cannot be read.
    int shownFrame() { return frameIndexOf(shownPicture()).value_or(-1); }
};

// A test's name from the kind of movie it runs on: "mjpegavi" for MjpegAvi.
struct KindTestName
{
    std::string operator()(const ::testing::TestParamInfo<MovieKind> &info) const
    {
        return movieKindName(info.param).remove(u'-').toStdString();
    }
    std::string operator()(const ::testing::TestParamInfo<BadKind> &info) const
    {
        return badKindName(info.param).remove(u'-').toStdString();
    }
};
