#include "app/displaycheck.h"
#include "app/handoffclient.h"
#include "app/handoffserver.h"
#include "app/singleinstance.h"
#include "app/terminationsignals.h"
#include "app/tform1.h"
#include "settings/tform2.h"
#include "settings/tform3.h"
#include "ui/errorreport.h"
#include "ui/uifont.h"

#include <QCoreApplication>

#include <clocale>
#include <cstdio>
#include <exception>
#include <malloc.h>

namespace {
// 1 already means that the files were handed to the running player.
constexpr int NoDisplayExitCode = 2;
} // namespace

int main(int argc, char **argv)
{
    // Every thread the engine starts for a movie would otherwise get an allocator arena of its
    // own, and what is freed in them stays resident: a playlist walk grew by 60 MiB in 40 opens.
    // One arena costs no measurable time at 1080p.
    mallopt(M_ARENA_MAX, 1);

    // File names are kept as the bytes the system gave, so that names that are not UTF-8 work.
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QByteArray(argv[i]);

    InstanceLock instanceLock;
    if (!instanceLock.tryAcquire()) {
        QCoreApplication handOff(argc, argv);
        HandOffArguments(arguments, instanceLock.serverPath());
        return 1;
    }
    TerminationSignals::holdUntilHandled();

    if (const QByteArray platform
        = preferredPlatform(PlatformEnvironment::current(), reachesDisplay);
        !platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
    // Checked before the application object exists, whose X11 platform would abort the process.
    if (const QByteArray failure = unreachableDisplay(PlatformEnvironment::current());
        !failure.isEmpty()) {
        std::fprintf(stderr, "%s\n", failure.constData());
        return NoDisplayExitCode;
    }

    ui::GuardedApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("VelmoMP"));
    app.setDesktopFileName(QStringLiteral("velmomp"));
    app.setFont(ui::playerFont());
    // libmpv refuses to start unless numbers are formatted the C way.
    std::setlocale(LC_NUMERIC, "C");

    // Listening before the windows exist lets a start made meanwhile connect; its block waits.
    HandOffServer handOffServer;
    handOffServer.listen(instanceLock.serverPath());

    try {
        TForm1 form1(arguments);
        auto *form2 = new TForm2(form1, TForm2::defaultIniPath());
        new TForm3(*form2);
        handOffServer.setReceiver(
                [&form1](const QByteArray &block) { form1.ReceiveDropBlock(block); });
        TerminationSignals terminationSignals([&form1] { form1.closeOnRequest(); });
        form1.show();
        app.exec();
    } catch (const StartupAborted &) {
    } catch (const std::exception &error) {
        ui::showErrorReport(nullptr, QString::fromUtf8(error.what()));
    }
    return 0;
}
