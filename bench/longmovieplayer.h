#pragma once

// The real player (velmomp) on a private X server, started on a long movie and driven with typed
// frames as a user would, the frame shown read from its window's pixels.

#include "bench/longmovies.h"
#include "bench/xvfb.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>

#include <stdexcept>

namespace bench::longmovies {

// A picture that stays this long is where a jump ended, not a frame playback went through.
constexpr int StillMs = 400;
constexpr int PollMs = 5;
constexpr int FirstPicturePatienceMs = 60000;
constexpr int JumpPatienceMs = 180000;
constexpr int KeptTablePatienceMs = 900000;
constexpr int QuitPatienceMs = 20000;
// One player started on a movie, with a settings file, runtime and home folder of its own, and
// the cache folder it is given.
class Player final
{
public:
    Player(const QString &executable, const QString &movie, const QString &cacheHome)
    {
        if (!m_scratch.isValid())
            throw std::runtime_error("cannot make a temporary folder");
        // The settings file lives beside the executable. A hard link rather than a copy: a copy
        // of the binary would be written back to the disk while the movie is read cold.
        const QString beside = m_scratch.filePath(QStringLiteral("velmomp"));
        if (::link(QFile::encodeName(executable).constData(), QFile::encodeName(beside).constData())
                    != 0
            && !QFile::copy(executable, beside))
            throw std::runtime_error("cannot copy " + executable.toStdString());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_scratch.path());
        environment.insert(QStringLiteral("HOME"), m_scratch.path());
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), cacheHome);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_started.start();
        m_process.start(beside, {movie});
        if (!m_process.waitForStarted())
            throw std::runtime_error("the player does not start");
        m_window = findWindow();
        bench::xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                        QString::number(m_window)});
    }

    ~Player()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    Player(const Player &) = delete;
    Player &operator=(const Player &) = delete;

    double secondsSinceStart() const { return double(m_started.elapsed()) / 1000; }

    // The index within the minute the picture shows, or -1.
    int shown() const
    {
        const QImage window = QGuiApplication::primaryScreen()
                                      ->grabWindow(WId(m_window))
                                      .toImage()
                                      .convertToFormat(QImage::Format_RGB32);
        // The picture fills the window's width at 16:9, below the menu bar.
        const int height = window.width() * 9 / 16;
        if (height <= 0 || height > window.height())
            return -1;
        return indexOf(window.copy(QRect(0, window.height() - height, window.width(), height)));
    }

    // Seconds from the start to the first readable picture and its index, or -1.
    std::pair<double, int> waitForFirstPicture() const
    {
        while (m_started.elapsed() < FirstPicturePatienceMs) {
            const qint64 before = m_started.elapsed();
            if (const int index = shown(); index >= 0)
                return {double(before) / 1000, index};
            QThread::msleep(PollMs);
        }
        return {-1, -1};
    }

    // Types the frame on the keypad and presses Enter; returns the seconds from the Enter to the
    // picture showing the frame and staying there, and what the picture showed last.
    std::pair<double, int> jump(qint64 frame) const
    {
        QStringList digits;
        for (const QChar digit : QString::number(frame))
            digits.append(QStringLiteral("KP_") + digit);
        press(digits);
        const int wanted = int(frame % SegmentFrames);
        // From before the Enter is sent: xdotool's own start is in the time.
        QElapsedTimer timer;
        timer.start();
        press({QStringLiteral("KP_Enter")});
        qint64 since = -1;
        int last = -1;
        while (timer.elapsed() < JumpPatienceMs) {
            const qint64 before = timer.elapsed();
            last = shown();
            if (last != wanted)
                since = -1;
            else if (since < 0)
                since = before;
            else if (before - since >= StillMs)
                return {double(since) / 1000, last};
            QThread::msleep(PollMs);
        }
        return {-1, last};
    }

    // P plays the movie from where it stands.
    void play() const { press({QStringLiteral("p")}); }

    // Q closes the player as a user would; true when it ended of itself.
    bool quit()
    {
        press({QStringLiteral("q")});
        if (m_process.waitForFinished(QuitPatienceMs))
            return true;
        m_process.kill();
        m_process.waitForFinished();
        return false;
    }

private:
    // xdotool's own --sync looks only every half second, which would count in the time to the
    // first picture.
    quint64 findWindow() const
    {
        while (m_started.elapsed() < FirstPicturePatienceMs) {
            QProcess search;
            search.start(QStringLiteral("xdotool"),
                         {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--pid"), QString::number(m_process.processId())});
            // Nothing found is exit code 1.
            if (search.waitForFinished() && search.exitCode() == 0) {
                const quint64 window
                        = search.readAllStandardOutput().split('\n').value(0).toULongLong();
                if (window != 0)
                    return window;
            }
            QThread::msleep(PollMs);
        }
        throw std::runtime_error("the player shows no window");
    }

    void press(const QStringList &keys) const
    {
        bench::xdotool(
                QStringList {QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("12")}
                + keys);
    }

    QTemporaryDir m_scratch;
    QProcess m_process;
    QElapsedTimer m_started;
    quint64 m_window = 0;
};

} // namespace bench::longmovies
