#include "media/mediadevice.h"
#include "support/fakemediadriver.h"
#include "support/printers.h"
#include "support/scratchfolder.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace mci;
using media::EMCIDeviceError;
using media::MediaDevice;
using Sent = FakeMediaDriver::Sent;

static void PrintTo(const Sent &sent, std::ostream *out)
{
    *out << std::hex << "{0x" << sent.command << ", 0x" << sent.flags << '}' << std::dec;
}

namespace {

// The fake engine, noting also the device each command went to and the item it asked about.
// It can report a picture size of its own after opening, so that the device's size is told
// apart from the source size.
class Engine final : public Driver
{
public:
    struct Call
    {
        quint32 deviceId;
        quint32 command;
        quint32 flags;
        quint32 item;
        friend bool operator==(const Call &, const Call &) = default;
        friend void PrintTo(const Call &call, std::ostream *out)
        {
            *out << std::hex << "{device " << call.deviceId << ", 0x" << call.command << ", 0x"
                 << call.flags << ", item " << call.item << '}' << std::dec;
        }
    };

    quint32 sendCommand(quint32 deviceId, quint32 command, quint32 flags, Parms &parms) override
    {
        calls << Call {deviceId, command, flags, parms.item};
        const quint32 result = fake.sendCommand(deviceId, command, flags, parms);
        if (command == MCI_OPEN && result == 0 && !shownSize.isEmpty())
            fake.destination = QRect(QPoint(0, 0), shownSize);
        return result;
    }

    FakeMediaDriver fake;
    QList<Call> calls;
    QSize shownSize;
};

class MediaDeviceTest : public testing::Test
{
protected:
    MediaDeviceTest() { device.Display = &panel; }

    void open(const QByteArray &name = "movie.avi")
    {
        device.FileName = folder.makeFile(name);
        device.OpenDevice();
    }
    void forget()
    {
        sent().clear();
        engine->calls.clear();
    }
    QList<Sent> &sent() { return engine->fake.sent; }
    // What was sent besides status queries.
    QList<Sent> actions() const
    {
        QList<Sent> list;
        for (const Sent &s : engine->fake.sent)
            if (s.command != MCI_STATUS)
                list << s;
        return list;
    }
    // The text of the device error the operation raised, if it raised one.
    static std::optional<QString> raised(const std::function<void()> &operation)
    {
        try {
            operation();
        } catch (const EMCIDeviceError &error) {
            return QString::fromUtf8(error.what());
        }
        return std::nullopt;
    }

    ScratchFolder folder;
    QWidget panel;
    Engine *engine = new Engine;
    MediaDevice device {std::unique_ptr<Driver>(engine)};
};

using Operation = std::function<void(MediaDevice &)>;

} // namespace

TEST_F(MediaDeviceTest, EachOperationSendsItsCommandWithItsFlags)
{
    QRect rect(0, 0, 100, 80);
    const struct
    {
        const char *what;
        Operation prepare;
        Operation run;
        Sent last;
    } cases[] = {
            {"close", {}, [](MediaDevice &d) { d.CloseDevice(); }, {MCI_CLOSE, 0x2}},
            {"play", {}, [](MediaDevice &d) { d.StartPlay(); }, {MCI_PLAY, 0x1}},
            {"stop", {}, [](MediaDevice &d) { d.StopPlay(); }, {MCI_STOP, 0x2}},
            {"pause", {}, [](MediaDevice &d) { d.PauseDevice(); }, {MCI_PAUSE, 0x2}},
            {"resume",
             [](MediaDevice &d) { d.PauseDevice(); },
             [](MediaDevice &d) { d.ResumeDevice(); },
             {MCI_RESUME, 0x1}},
            {"step forward", {}, [](MediaDevice &d) { d.StepForward(); }, {MCI_STEP, 0x20002}},
            {"step back", {}, [](MediaDevice &d) { d.StepBackward(); }, {MCI_STEP, 0x30002}},
            {"seek", {}, [](MediaDevice &d) { d.SeekTo(30); }, {MCI_SEEK, 0xA}},
            {"seek to start", {}, [](MediaDevice &d) { d.SeekToStart(); }, {MCI_SEEK, 0x102}},
            {"time format", {}, [](MediaDevice &d) { d.SetTimeFormat(0); }, {MCI_SET, 0x401}},
            {"length", {}, [](MediaDevice &d) { d.QueryLength(); }, {MCI_STATUS, 0x102}},
            {"position", {}, [](MediaDevice &d) { d.QueryPosition(); }, {MCI_STATUS, 0x102}},
            {"mode", {}, [](MediaDevice &d) { d.QueryMode(); }, {MCI_STATUS, 0x102}},
            {"window",
             {},
             [&](MediaDevice &d) { d.SetDisplayWindow(&panel); },
             {MCI_WINDOW, 0x10002}},
            {"put",
             {},
             [](MediaDevice &d) { d.PutDestination(QRect(0, 0, 80, 60)); },
             {MCI_PUT, 0x50000}},
            {"where", {}, [&](MediaDevice &d) { d.WhereDestination(rect); }, {MCI_WHERE, 0x40000}},
    };
    for (const auto &c : cases) {
        open();
        if (c.prepare)
            c.prepare(device);
        forget();
        const quint32 id = device.DeviceId;
        c.run(device);
        ASSERT_FALSE(sent().isEmpty()) << c.what;
        EXPECT_EQ(sent().back(), c.last) << c.what;
        EXPECT_EQ(engine->calls.back().deviceId, id) << c.what;
        EXPECT_EQ(device.CommandFlags, c.last.flags) << c.what;
    }
}

// Device type, source and painting go straight to the engine: the flags and error of the last
// ordinary command stay.
TEST_F(MediaDeviceTest, DirectQueriesLeaveTheBookkeeping)
{
    open();
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::black);
    EXPECT_EQ(device.QueryDeviceType(), qint32(MCI_DEVTYPE_DIGITAL_VIDEO));
    EXPECT_EQ(device.WhereSource(), QRect(0, 0, 160, 120));
    device.PaintFrame(picture);
    EXPECT_NE(picture.pixel(8, 8), qRgb(0, 0, 0));

    const struct
    {
        Operation run;
        Sent sent;
    } cases[] = {
            {[](MediaDevice &d) { d.QueryDeviceType(); }, {MCI_GETDEVCAPS, 0x100}},
            {[](MediaDevice &d) { d.WhereSource(); }, {MCI_WHERE, 0x20000}},
            {[&](MediaDevice &d) { d.PaintFrame(picture); }, {MCI_UPDATE, 0x20000}},
    };
    for (const auto &c : cases) {
        device.StopPlay();
        ASSERT_EQ(device.LastError, 0u);
        forget();
        engine->fake.failCommand = c.sent.command;
        engine->fake.failWith = MCIERR_HARDWARE;
        c.run(device);
        EXPECT_EQ(sent(), QList<Sent> {c.sent});
        EXPECT_EQ(engine->calls.back().deviceId, quint32(device.DeviceId)) << c.sent.command;
        EXPECT_EQ(device.CommandFlags, 0x2u) << c.sent.command;
        EXPECT_EQ(device.LastError, 0u) << c.sent.command;
    }
}

TEST_F(MediaDeviceTest, OpeningAMovie)
{
    engine->shownSize = QSize(320, 240);
    open("movie.avi");
    using Call = Engine::Call;
    const quint16 id = 7;
    const quint32 caps = 0x102;
    const QList<Call> expected = {
            {0, MCI_OPEN, 0x202, 0},       {id, MCI_STATUS, 0x102, MCI_STATUS_LENGTH},
            {id, MCI_GETDEVCAPS, caps, 8}, {id, MCI_GETDEVCAPS, caps, 1},
            {id, MCI_GETDEVCAPS, caps, 7}, {id, MCI_GETDEVCAPS, caps, 3},
            {id, MCI_GETDEVCAPS, caps, 4}, {id, MCI_WHERE, 0x20000, 0},
            {id, MCI_WINDOW, 0x10002, 0},  {id, MCI_WHERE, 0x40000, 0},
    };
    EXPECT_EQ(engine->calls, expected);
    EXPECT_TRUE(device.IsOpen);
    EXPECT_EQ(device.DeviceId, id);
    EXPECT_TRUE(device.HasVideo);
    EXPECT_EQ(device.StepFrames, FakeMediaDriver::Length / 10);
    EXPECT_EQ(device.DefaultWidth, 320);
    EXPECT_EQ(device.DefaultHeight, 240);
    EXPECT_EQ(device.Display.data(), &panel);
}

TEST_F(MediaDeviceTest, OpeningSoundOnly)
{
    engine->shownSize = QSize(320, 240);
    open("sound.wav");
    QList<Sent> expected = {{MCI_OPEN, 0x202}, {MCI_STATUS, 0x102}};
    for (int i = 0; i < 5; ++i)
        expected << Sent {MCI_GETDEVCAPS, 0x102};
    expected << Sent {MCI_WHERE, 0x20000};
    EXPECT_EQ(sent(), expected);
    EXPECT_TRUE(device.IsOpen);
    EXPECT_FALSE(device.HasVideo);
    EXPECT_EQ(device.DefaultWidth, 160);
    EXPECT_EQ(device.DefaultHeight, 120);
}

TEST_F(MediaDeviceTest, RefusedOpenRaisesTheErrorText)
{
    const struct
    {
        QByteArray name;
        bool create;
        quint32 failWith;
        quint32 error;
        QString text;
    } cases[] = {
            {"", false, 0, MCIERR_FILE_NOT_FOUND, errorText(MCIERR_FILE_NOT_FOUND)},
            {"missing.avi", false, 0, MCIERR_FILE_NOT_FOUND, errorText(MCIERR_FILE_NOT_FOUND)},
            {"broken.avi", true, 0, MCIERR_INVALID_FILE, errorText(MCIERR_INVALID_FILE)},
            {"movie.avi", true, MCIERR_HARDWARE, MCIERR_HARDWARE, errorText(MCIERR_HARDWARE)},
            {"movie.avi", true, 999, 999, QStringLiteral("原因不明のｴﾗｰ")},
    };
    for (const auto &c : cases) {
        ASSERT_FALSE(c.text.isEmpty());
        forget();
        device.FileName = c.name.isEmpty() ? QByteArray()
                : c.create                 ? folder.makeFile(c.name)
                                           : folder.path(c.name);
        engine->fake.failCommand = c.failWith != 0 ? MCI_OPEN : 0;
        engine->fake.failWith = c.failWith;
        EXPECT_EQ(raised([&] { device.OpenDevice(); }), c.text) << c.name.constData();
        EXPECT_EQ(sent(), (QList<Sent> {{MCI_OPEN, c.name.isEmpty() ? 0x2u : 0x202u}}));
        EXPECT_EQ(device.LastError, c.error) << c.name.constData();
        EXPECT_FALSE(device.IsOpen) << c.name.constData();
        EXPECT_EQ(device.DeviceId, 0) << c.name.constData();
    }
}

TEST_F(MediaDeviceTest, OpeningAgainClosesFirst)
{
    open("first.avi");
    forget();
    open("second.avi");
    ASSERT_GE(sent().size(), 2);
    EXPECT_EQ(sent().mid(0, 2), (QList<Sent> {{MCI_CLOSE, 0x2}, {MCI_OPEN, 0x202}}));
    EXPECT_TRUE(device.IsOpen);

    // A failing close does not keep the next open from being sent.
    forget();
    engine->fake.failCommand = MCI_CLOSE;
    engine->fake.failWith = MCIERR_HARDWARE;
    device.FileName = folder.makeFile("broken.avi");
    EXPECT_EQ(raised([&] { device.OpenDevice(); }), errorText(MCIERR_INVALID_FILE));
    EXPECT_EQ(sent(), (QList<Sent> {{MCI_CLOSE, 0x2}, {MCI_OPEN, 0x202}}));
    EXPECT_TRUE(device.IsOpen);
    EXPECT_EQ(device.DeviceId, 7);
}

TEST_F(MediaDeviceTest, OperationsThatNeedAnOpenDevice)
{
    QRect rect(1, 2, 3, 4);
    const struct
    {
        const char *what;
        Operation run;
        bool raises;
    } cases[] = {
            {"length", [](MediaDevice &d) { d.QueryLength(); }, true},
            {"play", [](MediaDevice &d) { d.StartPlay(); }, true},
            {"stop", [](MediaDevice &d) { d.StopPlay(); }, true},
            {"toggle pause", [](MediaDevice &d) { d.TogglePause(); }, true},
            {"pause", [](MediaDevice &d) { d.PauseDevice(); }, true},
            {"resume", [](MediaDevice &d) { d.ResumeDevice(); }, true},
            {"step forward", [](MediaDevice &d) { d.StepForward(); }, true},
            {"step back", [](MediaDevice &d) { d.StepBackward(); }, true},
            {"seek", [](MediaDevice &d) { d.SeekTo(5); }, true},
            {"seek to start", [](MediaDevice &d) { d.SeekToStart(); }, true},
            {"position", [](MediaDevice &d) { d.QueryPosition(); }, false},
            {"mode", [](MediaDevice &d) { d.QueryMode(); }, false},
            {"time format", [](MediaDevice &d) { d.SetTimeFormat(3); }, false},
            {"put", [](MediaDevice &d) { d.PutDestination(QRect(0, 0, 8, 8)); }, false},
            {"where", [&](MediaDevice &d) { d.WhereDestination(rect); }, false},
            {"close", [](MediaDevice &d) { d.CloseDevice(); }, false},
    };
    for (const bool openedBefore : {false, true}) {
        if (openedBefore) {
            open();
            device.CloseDevice();
            ASSERT_FALSE(device.IsOpen);
        }
        for (const auto &c : cases) {
            forget();
            const auto text = raised([&] { c.run(device); });
            if (c.raises) {
                EXPECT_EQ(text, QStringLiteral("MCI ﾃﾞﾊﾞｲｽがありません")) << c.what;
                EXPECT_TRUE(sent().isEmpty()) << c.what;
            } else {
                EXPECT_EQ(text, std::nullopt) << c.what;
            }
        }
        EXPECT_EQ(rect, QRect(1, 2, 3, 4));
    }
}

TEST_F(MediaDeviceTest, CloseWithoutADeviceSendsNothing)
{
    device.CloseDevice();
    EXPECT_TRUE(sent().isEmpty());
}

TEST_F(MediaDeviceTest, PlayAndStepForwardRewindAtTheEnd)
{
    open();
    const Sent rewind {MCI_SEEK, 0x102};
    const Sent play {MCI_PLAY, 0x1}, forward {MCI_STEP, 0x20002}, back {MCI_STEP, 0x30002};
    const qint32 end = qint32(FakeMediaDriver::Length), step = device.StepFrames;
    const struct
    {
        qint32 from;
        Operation run;
        QList<Sent> actions;
        qint32 position;
    } cases[] = {
            {0, [](MediaDevice &d) { d.StartPlay(); }, {play}, 0},
            {50, [](MediaDevice &d) { d.StartPlay(); }, {play}, 50},
            {end - 1, [](MediaDevice &d) { d.StartPlay(); }, {play}, end - 1},
            {end, [](MediaDevice &d) { d.StartPlay(); }, {rewind, play}, 0},
            {50, [](MediaDevice &d) { d.StepForward(); }, {forward}, 50 + step},
            {end, [](MediaDevice &d) { d.StepForward(); }, {rewind, forward}, step},
            {50, [](MediaDevice &d) { d.StepBackward(); }, {back}, 50 - step},
            {end, [](MediaDevice &d) { d.StepBackward(); }, {back}, end - step},
    };
    for (const auto &c : cases) {
        device.SeekTo(c.from);
        forget();
        c.run(device);
        EXPECT_EQ(actions(), c.actions) << "from " << c.from;
        EXPECT_EQ(device.QueryPosition(), c.position) << "from " << c.from;
    }
}

TEST_F(MediaDeviceTest, StepsNeedAPicture)
{
    open("sound.wav");
    forget();
    device.StepForward();
    device.StepBackward();
    EXPECT_TRUE(sent().isEmpty());
}

TEST_F(MediaDeviceTest, TogglePauseFollowsTheMode)
{
    open();
    device.StartPlay();
    forget();
    device.TogglePause();
    EXPECT_EQ(actions(), (QList<Sent> {{MCI_PAUSE, 0x2}}));
    EXPECT_EQ(device.QueryMode(), media::Paused);

    forget();
    device.TogglePause();
    EXPECT_EQ(actions(), (QList<Sent> {{MCI_RESUME, 0x1}}));
    EXPECT_EQ(device.QueryMode(), media::Playing);

    device.StopPlay();
    forget();
    device.TogglePause();
    EXPECT_FALSE(sent().isEmpty());
    EXPECT_TRUE(actions().isEmpty());
    for (const Sent &s : sent())
        EXPECT_EQ(s, (Sent {MCI_STATUS, 0x102}));
}

TEST_F(MediaDeviceTest, FailedResumePlays)
{
    open();
    device.PauseDevice();
    forget();
    engine->fake.failCommand = MCI_RESUME;
    engine->fake.failWith = MCIERR_UNSUPPORTED_FUNCTION;
    device.ResumeDevice();
    EXPECT_EQ(actions(), (QList<Sent> {{MCI_RESUME, 0x1}, {MCI_PLAY, 0x1}}));
    EXPECT_EQ(device.QueryMode(), media::Playing);
}

TEST_F(MediaDeviceTest, ModesFromTheEngine)
{
    open();
    const media::PlayerMode modes[]
            = {media::NotReady, media::Stopped, media::Playing, media::Recording,
               media::Seeking,  media::Paused,  media::Open};
    for (quint32 i = 0; i < 7; ++i) {
        engine->fake.mode = MCI_MODE_NOT_READY + i;
        EXPECT_EQ(device.QueryMode(), modes[i]) << engine->fake.mode;
    }
    for (const quint32 outside : {0u, 1u, 523u, 531u, 1000u, 0xFFFFFFFFu}) {
        engine->fake.mode = outside;
        const int mode = device.QueryMode();
        EXPECT_NE(mode, media::Playing) << outside;
        EXPECT_NE(mode, media::Paused) << outside;
    }
}

// However the engine's number is narrowed, only the known mode numbers may pass for playing or
// paused.
TEST_F(MediaDeviceTest, ModesOutsideTheKnownRangeAreUnknown)
{
    open();
    for (const quint32 outside : {14u, 17u, MCI_MODE_PLAY + 256, MCI_MODE_PAUSE + 256}) {
        engine->fake.mode = outside;
        const int mode = device.QueryMode();
        EXPECT_NE(mode, media::Playing) << outside;
        EXPECT_NE(mode, media::Paused) << outside;
    }
}

TEST_F(MediaDeviceTest, PutDestination)
{
    open();
    device.DefaultWidth = 200;
    device.DefaultHeight = 150;
    const struct
    {
        QRect put;
        QRect sent;
    } cases[] = {
            {{5, 6, 0, 0}, {5, 6, 200, 150}},         {{0, 0, 0, 0}, {0, 0, 200, 150}},
            {{0, 0, 300, 0}, {0, 0, 300, 0}},         {{0, 0, 0, 200}, {0, 0, 0, 200}},
            {{10, 20, 300, 200}, {10, 20, 300, 200}},
    };
    for (const auto &c : cases) {
        forget();
        device.PutDestination(c.put);
        EXPECT_EQ(sent(), (QList<Sent> {{MCI_PUT, 0x50000}}));
        EXPECT_EQ(engine->fake.destination, c.sent);
        QRect where;
        device.WhereDestination(where);
        EXPECT_EQ(where, c.sent);
    }
}

TEST_F(MediaDeviceTest, NoDestinationWithoutAPicture)
{
    const QRect untouched(3, 4, 5, 6);
    for (const QByteArray &name : {QByteArray(), QByteArray("sound.wav")}) {
        if (!name.isEmpty())
            open(name);
        forget();
        QRect rect = untouched;
        device.PutDestination({0, 0, 320, 240});
        device.WhereDestination(rect);
        EXPECT_TRUE(sent().isEmpty()) << name.constData();
        EXPECT_EQ(rect, untouched) << name.constData();
    }
}

TEST_F(MediaDeviceTest, DisplayWindow)
{
    QWidget other;
    device.SetDisplayWindow(&other);
    EXPECT_TRUE(sent().isEmpty());
    EXPECT_EQ(device.Display.data(), &other);

    device.SetDisplayWindow(&panel);
    open();
    forget();
    device.SetDisplayWindow(&other);
    EXPECT_EQ(sent(), (QList<Sent> {{MCI_WINDOW, 0x10002}}));
    EXPECT_EQ(device.Display.data(), &other);
}

TEST_F(MediaDeviceTest, RefusedSeekKeepsThePosition)
{
    open();
    for (const qint32 to : {-1, qint32(FakeMediaDriver::Length) + 1}) {
        device.SeekTo(40);
        ASSERT_EQ(device.LastError, 0u);
        device.SeekTo(to);
        EXPECT_EQ(device.LastError, MCIERR_OUTOFRANGE) << to;
        EXPECT_EQ(device.QueryPosition(), 40) << to;
    }
}
