#include "app/terminationsignals.h"
#include "support/playerwindows.h"

#include <QFileDialog>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// Counts the close events of a window: each one runs the main window's close-down.
class CloseCounter final : public QObject
{
public:
    int count = 0;

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            ++count;
        return false;
    }
};

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A shown player whose termination signals close it as the player's main does, its close events
// counted.
struct SignalledPlayer
{
    PlayerWindows player;
    TForm1 &form1 = player.form1;
    CloseCounter closes;
    TerminationSignals terminationSignals {[this] { form1.closeOnRequest(); }};

    SignalledPlayer()
    {
        form1.installEventFilter(&closes);
        form1.show();
    }
    bool saved() const { return contents(player.iniPath()).contains("\nLocate="); }
};

} // namespace

TEST(TerminationSignals, EachClosesThePlayerOnceEvenFromAModalDialog)
{
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        SignalledPlayer signalled;
        TForm1 &form1 = signalled.form1;
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form1));
        ASSERT_FALSE(signalled.saved()) << "saved before";

        // The signal comes while the open dialog runs its own event loop. A dialog left open
        // is closed after a while, so that the test fails instead of hanging.
        QTimer::singleShot(0, [signal] { ::raise(signal); });
        bool leftOpen = false;
        QTimer::singleShot(10000, form1.OpenDialog1, [&form1, &leftOpen] {
            leftOpen = true;
            form1.OpenDialog1->reject();
        });
        form1.Open1Click();

        EXPECT_FALSE(leftOpen) << "the dialog stayed open";
        EXPECT_FALSE(form1.isVisible());
        EXPECT_EQ(signalled.closes.count, 1);
        EXPECT_TRUE(signalled.saved()) << "the settings are saved";
        form1.closeOnRequest();
        EXPECT_EQ(signalled.closes.count, 1) << "a second request closes nothing more";
    }
}

TEST(TerminationSignals, ASignalWhileThePlayerStartsClosesItOnceItIsUp)
{
    TerminationSignals::holdUntilHandled();
    // Without the hold the default action ends this process here.
    ::raise(SIGTERM);
    SignalledPlayer signalled;
    EXPECT_TRUE(QTest::qWaitFor([&] { return signalled.closes.count == 1; }, 5000));
    EXPECT_FALSE(signalled.form1.isVisible());
    EXPECT_TRUE(signalled.saved()) << "the settings are saved";
}
