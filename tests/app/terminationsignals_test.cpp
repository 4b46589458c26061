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

} // namespace

TEST(TerminationSignals, EachClosesThePlayerOnceEvenFromAModalDialog)
{
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        PlayerWindows player;
        TForm1 &form1 = player.form1;
        CloseCounter closes;
        form1.installEventFilter(&closes);
        TerminationSignals terminationSignals([&form1] { form1.closeOnRequest(); });
        form1.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form1));
        ASSERT_FALSE(contents(player.iniPath()).contains("\nLocate=")) << "saved before";

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
        EXPECT_EQ(closes.count, 1);
        EXPECT_TRUE(contents(player.iniPath()).contains("\nLocate=")) << "the settings are saved";
        form1.closeOnRequest();
        EXPECT_EQ(closes.count, 1) << "a second request closes nothing more";
    }
}

TEST(TerminationSignals, ASignalWhileThePlayerStartsClosesItOnceItIsUp)
{
    TerminationSignals::holdUntilHandled();
    // Without the hold the default action ends this process here.
    ::raise(SIGTERM);
    PlayerWindows player;
    TForm1 &form1 = player.form1;
    CloseCounter closes;
    form1.installEventFilter(&closes);
    TerminationSignals terminationSignals([&form1] { form1.closeOnRequest(); });
    form1.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return closes.count == 1; }, 5000));
    EXPECT_FALSE(form1.isVisible());
    EXPECT_TRUE(contents(player.iniPath()).contains("\nLocate=")) << "the settings are saved";
}
