// mutationbench: mutated copies of small movies of every container the player opens frame-exactly,
// each opened in the real main window with the real media device on a private Xvfb server:
// typed seeks to three frames, a step back and one forward, a still captured, then the next.
// Every file must play or be refused once with the player's message, with no crash and no
// operation taking longer than the patience; every tenth mutant a good movie must still play.
//
// The windows run in a worker process that reports each step on its standard output; when the
// worker crashes or stops reporting, the mutant is kept and a new worker goes on after it.

#include "app/tform1.h"
#include "bench/console.h"
#include "bench/xvfb.h"
#include "media/mediadevice.h"
#include "media/mpvdriver.h"
#include "settings/tform2.h"
#include "settings/tform3.h"
#include "support/messagecatcher.h"
#include "support/testmovies.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>

#include <clocale>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <random>

namespace {

using bench::out;
using bench::progress;

constexpr int FixtureFrames = 30;
// Windows are made anew after so many mutants: the playlist holds 100 entries.
constexpr int MutantsPerWindow = 50;
constexpr int GoodMovieEvery = 10;

// The same index and seed always give the same mutant, so that a crash can be made again.
QByteArray mutate(const QByteArray &original, quint64 seed, int index)
{
    std::mt19937_64 random(seed * 1000003u + quint64(index));
    QByteArray bytes = original;
    const auto position = [&] {
        // Half of the changes fall in the first 4 KiB, where the headers are.
        const qsizetype range
                = random() % 2 == 0 ? qMin<qsizetype>(4096, bytes.size()) : bytes.size();
        return qsizetype(random() % quint64(qMax<qsizetype>(1, range)));
    };
    switch (random() % 4) {
    case 0: // bytes flipped here and there
        for (int flips = 1 + int(random() % 16); flips > 0; --flips)
            bytes[position()] = char(bytes[position()] ^ char(1 + random() % 255));
        break;
    case 1: { // a run of random bytes
        const qsizetype at = position();
        for (qsizetype i = at; i < qMin(bytes.size(), at + 4 + qsizetype(random() % 60)); ++i)
            bytes[i] = char(random());
        break;
    }
    case 2: // cut short
        bytes.truncate(1 + position());
        break;
    default: // a piece taken out
        bytes.remove(position(), 1 + qsizetype(random() % 512));
        break;
    }
    return bytes;
}

// ---- the worker: the player's windows, one mutant after another ----

void report(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

void answerSaveDialog(TForm1 &form1, const QString &path)
{
    form1.SaveDialog1->setOption(QFileDialog::DontUseNativeDialog);
    auto *poll = new QTimer(form1.SaveDialog1);
    QObject::connect(poll, &QTimer::timeout, poll, [&form1, path, poll] {
        if (!form1.SaveDialog1->isVisible())
            return;
        poll->deleteLater();
        form1.SaveDialog1->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
        QMetaObject::invokeMethod(form1.SaveDialog1, "accept");
    });
    poll->start(5);
}

void typeFrame(TForm1 &form1, qint32 frame)
{
    for (const QChar digit : QString::number(frame))
        form1.OnKey(Qt::Key_0 + digit.digitValue(), Qt::KeypadModifier);
    form1.OnKey(Qt::Key_Enter, Qt::KeypadModifier);
}

struct Windows
{
    explicit Windows(const QString &folder)
        : form1({}, display::DirectDrawCreate,
                [] {
                    return std::make_unique<media::MpvDriver>(media::MpvOptions {{"ao", "null"}});
                })
        , form2(new TForm2(form1, QDir(folder).filePath(QStringLiteral("VelmoMP.ini"))))
    {
        new TForm3(*form2);
        // Start-up done by hand: the monitor's first tick would load the playlist again.
        form1.StartupState = 2;
        form1.show();
    }

    TForm1 form1;
    TForm2 *form2;
    MessageCatcher messages;
};

// Opens the file and goes through it as a user would; says what became of it.
QString tryMutant(Windows &windows, const QString &path, int index, qint64 &openMs)
{
    TForm1 &form1 = windows.form1;
    const qsizetype messagesBefore = windows.messages.messages().size();
    report(QStringLiteral("step %1 open").arg(index));
    QElapsedTimer timer;
    timer.start();
    form1.OnDropFiles({QFile::encodeName(path)});
    openMs = timer.elapsed();
    const qsizetype messages = windows.messages.messages().size() - messagesBefore;
    if (form1.MovieOpened != 1) {
        const QString expected
                = QStringLiteral("ファイル\"%1\"が開けません").arg(QFileInfo(path).fileName());
        return messages == 1 && windows.messages.messages().last().text == expected
                ? QStringLiteral("refused")
                : QStringLiteral("odd-refusal(%1 messages)").arg(messages);
    }
    const qint32 length = form1.MediaPlayer1->QueryLength();
    for (const qint32 frame : {qint32(1), length / 2, length - 1}) {
        report(QStringLiteral("step %1 seek %2").arg(index).arg(frame));
        typeFrame(form1, qMax(0, frame));
    }
    report(QStringLiteral("step %1 back").arg(index));
    form1.OnKey(Qt::Key_Left, Qt::NoModifier);
    report(QStringLiteral("step %1 forward").arg(index));
    form1.OnKey(Qt::Key_Right, Qt::NoModifier);
    report(QStringLiteral("step %1 still").arg(index));
    form1.RefreshStill();
    const QString still = QFileInfo(path).dir().filePath(QStringLiteral("still.bmp"));
    QFile::remove(still);
    answerSaveDialog(form1, still);
    form1.SaveClick();
    return QFile::exists(still) ? QStringLiteral("played") : QStringLiteral("played-no-still");
}

// A good movie after mutants: the window must still open it and show the frame asked for.
bool goodMovieWorks(Windows &windows, const QString &good)
{
    windows.form1.OnDropFiles({QFile::encodeName(good)});
    if (windows.form1.MovieOpened != 1)
        return false;
    typeFrame(windows.form1, 5);
    return windows.form1.MediaPlayer1->QueryPosition() == 5;
}

int work(const QStringList &fixtures, quint64 seed, int from, int to)
{
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw std::runtime_error("cannot make a temporary folder");
    QList<QByteArray> originals;
    for (const QString &fixture : fixtures) {
        QFile file(fixture);
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot read " + fixture.toStdString());
        originals << file.readAll();
    }
    std::unique_ptr<Windows> windows;
    for (int index = from; index < to; ++index) {
        if (!windows || index % MutantsPerWindow == 0)
            windows = std::make_unique<Windows>(scratch.path());
        const QString &fixture = fixtures.at(index % fixtures.size());
        const QString path = scratch.filePath(
                QStringLiteral("mutant-%1.%2").arg(index).arg(QFileInfo(fixture).suffix()));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(mutate(originals.at(index % originals.size()), seed, index)) < 0)
            throw std::runtime_error("cannot write a mutant");
        file.close();
        qint64 openMs = 0;
        QString outcome;
        try {
            outcome = tryMutant(*windows, path, index, openMs);
        } catch (const std::exception &error) {
            // What the error report would show the user.
            outcome = QStringLiteral("error(%1)").arg(QString::fromUtf8(error.what()));
        }
        report(QStringLiteral("done %1 %2 %3").arg(index).arg(openMs).arg(outcome));
        QFile::remove(path);
        if ((index + 1) % GoodMovieEvery == 0) {
            report(QStringLiteral("step %1 good").arg(index));
            report(QStringLiteral("good %1 %2")
                           .arg(index)
                           .arg(goodMovieWorks(*windows, fixtures.first())
                                        ? QStringLiteral("ok")
                                        : QStringLiteral("broken")));
        }
    }
    return 0;
}

// ---- the campaign: workers started and watched ----

struct Tally
{
    std::map<QString, int> outcomes;
    QStringList findings;
    qint64 slowestOpenMs = 0;
    int slowestIndex = -1;
    int goodChecks = 0;
    int finished = 0;
};

void keepMutant(const QStringList &fixtures, quint64 seed, int index, const QDir &keep)
{
    const QString &fixture = fixtures.at(index % fixtures.size());
    QFile original(fixture);
    QFile copy(keep.filePath(
            QStringLiteral("mutant-%1.%2").arg(index).arg(QFileInfo(fixture).suffix())));
    if (original.open(QIODevice::ReadOnly) && copy.open(QIODevice::WriteOnly))
        copy.write(mutate(original.readAll(), seed, index));
}

// Gives the index of a mutant that ended in neither of the two good outcomes.
std::optional<int> readLine(const QByteArray &line, Tally &tally, int &current, QString &step)
{
    const QList<QByteArray> words = line.trimmed().split(' ');
    if (words.size() < 3)
        return std::nullopt;
    std::optional<int> finding;
    const int index = words[1].toInt();
    if (words[0] == "step") {
        current = index;
        step = QString::fromUtf8(line.trimmed().mid(5));
    } else if (words[0] == "done") {
        const QString outcome = QString::fromUtf8(words.mid(3).join(' '));
        ++tally.outcomes[outcome.section(QLatin1Char('('), 0, 0)];
        if (!outcome.startsWith(QLatin1String("played")) && outcome != QLatin1String("refused")) {
            tally.findings << QStringLiteral("mutant %1: %2").arg(index).arg(outcome);
            finding = index;
        }
        if (words[2].toLongLong() > tally.slowestOpenMs) {
            tally.slowestOpenMs = words[2].toLongLong();
            tally.slowestIndex = index;
        }
        tally.finished = index + 1;
        if (tally.finished % 100 == 0)
            progress() << tally.finished << " mutants" << Qt::endl;
    } else if (words[0] == "good") {
        ++tally.goodChecks;
        if (words[2] != "ok")
            tally.findings
                    << QStringLiteral("a good movie did not play after mutant %1").arg(index);
    }
    return finding;
}

Tally campaign(const QStringList &workerArguments, const QStringList &fixtures, quint64 seed,
               int mutants, int patienceMs, const QDir &keep)
{
    Tally tally;
    while (tally.finished < mutants) {
        QProcess worker;
        worker.setProcessChannelMode(QProcess::SeparateChannels);
        worker.setStandardErrorFile(QProcess::nullDevice());
        worker.start(QCoreApplication::applicationFilePath(),
                     workerArguments
                             + QStringList {QStringLiteral("--from"),
                                            QString::number(tally.finished), QStringLiteral("--to"),
                                            QString::number(mutants)});
        if (!worker.waitForStarted())
            throw std::runtime_error("the worker does not start");
        int current = tally.finished;
        QString step = QStringLiteral("start");
        QElapsedTimer quiet;
        quiet.start();
        bool hung = false;
        while (worker.state() == QProcess::Running || worker.canReadLine()) {
            if (!worker.canReadLine())
                worker.waitForReadyRead(100);
            while (worker.canReadLine()) {
                if (const auto finding = readLine(worker.readLine(), tally, current, step))
                    keepMutant(fixtures, seed, *finding, keep);
                quiet.restart();
            }
            if (worker.state() == QProcess::Running && quiet.elapsed() > patienceMs) {
                hung = true;
                worker.kill();
                worker.waitForFinished();
            }
        }
        if (tally.finished >= mutants)
            break;
        const QString what = hung ? QStringLiteral("no answer for %1 s").arg(patienceMs / 1000)
                : worker.exitStatus() == QProcess::CrashExit
                ? QStringLiteral("crash")
                : QStringLiteral("the worker ended with code %1").arg(worker.exitCode());
        tally.findings << QStringLiteral("mutant %1: %2 at \"%3\", kept in %4")
                                  .arg(current)
                                  .arg(what, step, keep.path());
        ++tally.outcomes[hung ? QStringLiteral("hang") : QStringLiteral("crash")];
        keepMutant(fixtures, seed, current, keep);
        tally.finished = current + 1;
        progress() << tally.findings.last() << Qt::endl;
    }
    return tally;
}

QStringList makeFixtures(const QString &folder)
{
    QStringList fixtures;
    for (const MovieKind kind : exactnessMovieKinds()) {
        progress() << "making " << movieKindName(kind) << Qt::endl;
        fixtures << makeTestMovie(kind, folder, FixtureFrames).path;
    }
    return fixtures;
}

int run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
            QStringLiteral("Opens mutated movies in the player's main window."));
    parser.addHelpOption();
    const QCommandLineOption mutantsOption(QStringLiteral("mutants"),
                                           QStringLiteral("Mutants to try (2000)."),
                                           QStringLiteral("count"), QStringLiteral("2000"));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Seed of the mutations (1)."),
                                        QStringLiteral("number"), QStringLiteral("1"));
    const QCommandLineOption patienceOption(
            QStringLiteral("patience"),
            QStringLiteral("Seconds one operation may take before it counts as a hang (5)."),
            QStringLiteral("seconds"), QStringLiteral("5"));
    const QCommandLineOption keepOption(
            QStringLiteral("keep"), QStringLiteral("Where mutants that crash or hang are kept."),
            QStringLiteral("folder"), QStringLiteral("mutation-findings"));
    // Used by the campaign to start its workers.
    QCommandLineOption workerOption(QStringLiteral("worker"), QStringLiteral("A worker."));
    QCommandLineOption fixturesOption(QStringLiteral("fixtures-list"), QStringLiteral("Movies."),
                                      QStringLiteral("file"));
    QCommandLineOption fromOption(QStringLiteral("from"), QStringLiteral("First mutant."),
                                  QStringLiteral("index"));
    QCommandLineOption toOption(QStringLiteral("to"), QStringLiteral("One past the last mutant."),
                                QStringLiteral("index"));
    for (QCommandLineOption *internal : {&workerOption, &fixturesOption, &fromOption, &toOption})
        internal->setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({mutantsOption, seedOption, patienceOption, keepOption, workerOption,
                       fixturesOption, fromOption, toOption});
    parser.process(arguments);
    const quint64 seed = parser.value(seedOption).toULongLong();

    if (parser.isSet(workerOption)) {
        QFile list(parser.value(fixturesOption));
        if (!list.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot read the fixtures list");
        const QStringList fixtures
                = QString::fromUtf8(list.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return work(fixtures, seed, parser.value(fromOption).toInt(),
                    parser.value(toOption).toInt());
    }

    const int mutants = std::max(1, parser.value(mutantsOption).toInt());
    const int patienceMs = std::max(1, parser.value(patienceOption).toInt()) * 1000;
    QTemporaryDir folder;
    if (!folder.isValid())
        throw std::runtime_error("cannot make a temporary folder");
    const QStringList fixtures = makeFixtures(folder.path());
    QFile list(QDir(folder.path()).filePath(QStringLiteral("fixtures.txt")));
    if (!list.open(QIODevice::WriteOnly)
        || list.write(fixtures.join(QLatin1Char('\n')).toUtf8()) < 0)
        throw std::runtime_error("cannot write the fixtures list");
    list.close();
    QDir keep(parser.value(keepOption));
    if (!keep.mkpath(QStringLiteral(".")))
        throw std::runtime_error("cannot make the folder for findings");

    // A crashing worker leaves a core dump where the system puts them.
    const rlimit unlimited {RLIM_INFINITY, RLIM_INFINITY};
    setrlimit(RLIMIT_CORE, &unlimited);
    QElapsedTimer timer;
    timer.start();
    const Tally tally
            = campaign({QStringLiteral("--worker"), QStringLiteral("--seed"), QString::number(seed),
                        QStringLiteral("--fixtures-list"), list.fileName()},
                       fixtures, seed, mutants, patienceMs, keep);

    out() << "# mutationbench\n\n"
          << "- " << mutants << " mutants (seed " << seed << ") of " << fixtures.size()
          << " movies of " << FixtureFrames << " frames, one of each kind the exactness "
          << "suite uses; " << QString::number(double(timer.elapsed()) / 60000, 'f', 1)
          << " minutes\n"
          << "- machine: " << QThread::idealThreadCount() << " threads, "
          << QSysInfo::prettyProductName() << "\n\n| outcome | mutants |\n|---|--:|\n";
    for (const auto &[outcome, count] : tally.outcomes)
        out() << "| " << outcome << " | " << count << " |\n";
    out() << "\nslowest open: " << tally.slowestOpenMs << " ms (mutant " << tally.slowestIndex
          << "); good movie played after every " << GoodMovieEvery
          << "th mutant: " << tally.goodChecks << " checks\n\n";
    if (tally.findings.isEmpty())
        out() << "no findings\n";
    for (const QString &finding : tally.findings)
        out() << "- " << finding << "\n";
    out() << Qt::flush;
    return tally.findings.isEmpty() ? 0 : 3;
}

} // namespace

int main(int argc, char **argv)
{
    const bool worker = [&] {
        for (int i = 1; i < argc; ++i) {
            if (QByteArrayView(argv[i]) == "--worker")
                return true;
        }
        return false;
    }();
    try {
        // The workers find the campaign's server through DISPLAY.
        std::unique_ptr<bench::Xvfb> server;
        if (!worker) {
            server = std::make_unique<bench::Xvfb>();
            qputenv("DISPLAY", server->display());
        }
        qputenv("QT_QPA_PLATFORM", "xcb");
        QApplication app(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
        return run(QApplication::arguments());
    } catch (const std::exception &error) {
        progress() << "mutationbench: " << error.what() << Qt::endl;
        return 1;
    }
}
