#include "app/tform1.h"

#include "media/mediadevice.h"
#include "media/mpvdriver.h"
#include "ui/errorreport.h"
#include "ui/filedialogfilter.h"
#include "ui/messages.h"
#include "ui/startuplogo.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTimer>

namespace {

QString openDialogFilter()
{
    return QStringLiteral("AVIファイル(*.AVI)|*.AVI|QTムービー(*.MOV)|*.MOV|MPEGファイル(*MPG)|"
                          "*.MPEG;*.MPG;*.MPE;*.MPA;*.M1V;*.MP2;*.ENC|VIDEO "
                          "CD(*.DAT)|*.DAT|すべてのファイル(*.*)|*.*");
}

QAction *addItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *item = menu->addAction(caption);
    item->setObjectName(QLatin1StringView(name));
    return item;
}

QAction *addSeparator(QMenu *menu, const char *name)
{
    QAction *separator = menu->addSeparator();
    separator->setObjectName(QLatin1StringView(name));
    return separator;
}

QMenu *addMenu(QMenuBar *bar, const char *name, const QString &caption)
{
    QMenu *menu = bar->addMenu(caption);
    menu->setObjectName(QLatin1StringView(name));
    return menu;
}

QFileDialog *makeFileDialog(QWidget *owner, const char *name, const QString &filter)
{
    auto *dialog = new QFileDialog(owner);
    dialog->setObjectName(QLatin1StringView(name));
    dialog->setNameFilters(ui::nameFilters(filter));
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    return dialog;
}

} // namespace

std::unique_ptr<mci::Driver> TForm1::defaultMediaDriver()
{
    return std::make_unique<media::MpvDriver>();
}

TForm1::TForm1(const QList<QByteArray> &arguments,
               const display::DisplayModeFactory &createDisplayModes,
               const MediaDriverFactory &createMediaDriver)
{
    buildComponents();
    MediaPlayer1 = std::make_unique<media::MediaDevice>(createMediaDriver());
    MediaPlayer1->Display = Panel1;
    // A jump into frames of a long movie not read yet waits for them: the caption says so, as
    // during an open, then names the movie again.
    MediaPlayer1->OnWaiting = [this, caption = QString()](bool waiting) mutable {
        if (waiting) {
            caption = windowTitle();
            setWindowTitle(QStringLiteral("Now Loading....."));
        } else {
            setWindowTitle(caption);
        }
    };

    DDrawObject = createDisplayModes();
    if (!DDrawObject) {
        ui::showMessage(this, QStringLiteral("DirectXをインストールして下さい"));
        throw StartupAborted {};
    }
    DDrawObject->SetCooperativeLevel(this, display::DDSCL_NORMAL);

    StillBitmap = QImage(640, 480, QImage::Format_RGB32);
    StillBitmap.fill(Qt::black);

    for (const QByteArray &argument : arguments)
        AddFile(argument);
}

TForm1::~TForm1() = default;

void TForm1::buildComponents()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Velmo Movie Player v1.00"));
    // A single fixed border offering the system menu and minimise only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);

    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);

    // The client area is black around the panel, which full screen places freely inside it.
    m_clientArea = new QWidget(this);
    m_clientArea->setObjectName(QStringLiteral("ClientArea"));
    m_clientArea->setPalette(black);
    m_clientArea->setAutoFillBackground(true);
    setCentralWidget(m_clientArea);

    Panel1 = new QWidget(m_clientArea);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setPalette(black);
    Panel1->setAutoFillBackground(true);
    setClientSize(QSize(320, 240));

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap::fromImage(ui::startupLogo()));
    Image1->move(43, 105);
    Image1->adjustSize();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    Timer1->start();

    buildMainMenu();

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TForm1::PopupDispOn);

    OpenDialog1 = makeFileDialog(this, "OpenDialog1", openDialogFilter());
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setFileMode(QFileDialog::ExistingFiles);
    SaveDialog1 = makeFileDialog(this, "SaveDialog1", QStringLiteral("BMPファイル|*.BMP"));
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);

    // The client area keeps the panel's size; the user cannot resize the window.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TForm1::buildMainMenu()
{
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    File1 = addMenu(MainMenu1, "File1", QStringLiteral("File"));
    Open1 = addItem(File1, "Open1", QStringLiteral("開く"));
    Save = addItem(File1, "Save", QStringLiteral("静止画取込"));
    Quit1 = addItem(File1, "Quit1", QStringLiteral("終了(Q)"));

    Mode1 = addMenu(MainMenu1, "Mode1", QStringLiteral("Mode"));
    Play = addItem(Mode1, "Play", QStringLiteral("再生(P)"));
    Pause = addItem(Mode1, "Pause", QStringLiteral("停止(L)"));
    N1 = addSeparator(Mode1, "N1");
    NextFrame = addItem(Mode1, "NextFrame", QStringLiteral("１コマ進める(→)"));
    PrevFrame = addItem(Mode1, "PrevFrame", QStringLiteral("１コマ戻す(←)"));
    NextSec = addItem(Mode1, "NextSec", QStringLiteral("１秒進める(↓)"));
    PrevSec = addItem(Mode1, "PrevSec", QStringLiteral("１秒戻す(↑)"));
    NextBlock = addItem(Mode1, "NextBlock", QStringLiteral("全体の10%進める(PageDown)"));
    PrevBlock = addItem(Mode1, "PrevBlock", QStringLiteral("全体の10%戻す(PageUp)"));
    N2 = addSeparator(Mode1, "N2");
    NextFile = addItem(Mode1, "NextFile", QStringLiteral("次のファイルへ(N)"));
    PrevFile = addItem(Mode1, "PrevFile", QStringLiteral("前のファイルへ(B)"));
    RewindFile = addItem(Mode1, "RewindFile", QStringLiteral("ファイルの先頭へ(V)"));

    Size1 = addMenu(MainMenu1, "Size1", QStringLiteral("Size"));
    Full = addItem(Size1, "Full", QStringLiteral("フルサイズ(F)"));
    Half = addItem(Size1, "Half", QStringLiteral("ハーフサイズ(H)"));
    Source = addItem(Size1, "Source", QStringLiteral("元のサイズ(S)"));
    FullScreen = addItem(Size1, "FullScreen", QStringLiteral("フルスクリーン(A)"));

    Other = addMenu(MainMenu1, "Other", QStringLiteral("Other"));
    Option = addItem(Other, "Option", QStringLiteral("設定"));

    connect(Open1, &QAction::triggered, this, &TForm1::Open1Click);
    connect(Quit1, &QAction::triggered, this, &TForm1::Quit1Click);
    connect(NextFile, &QAction::triggered, this, &TForm1::NextFileClick);
    connect(PrevFile, &QAction::triggered, this, &TForm1::PrevFileClick);
    connect(Option, &QAction::triggered, this, &TForm1::OptionClick);
    connect(Play, &QAction::triggered, this, &TForm1::PlayClick);
    connect(Pause, &QAction::triggered, this, &TForm1::PauseClick);
    connect(NextFrame, &QAction::triggered, this, &TForm1::NextFrameClick);
    connect(PrevFrame, &QAction::triggered, this, &TForm1::PrevFrameClick);
    connect(NextSec, &QAction::triggered, this, &TForm1::NextSecClick);
    connect(PrevSec, &QAction::triggered, this, &TForm1::PrevSecClick);
    connect(NextBlock, &QAction::triggered, this, &TForm1::NextBlockClick);
    connect(PrevBlock, &QAction::triggered, this, &TForm1::PrevBlockClick);
    connect(RewindFile, &QAction::triggered, this, &TForm1::RewindFileClick);
    connect(Full, &QAction::triggered, this, &TForm1::FullClick);
    connect(Half, &QAction::triggered, this, &TForm1::HalfClick);
    connect(Source, &QAction::triggered, this, &TForm1::SourceClick);
    connect(FullScreen, &QAction::triggered, this, &TForm1::FullScreenClick);
    connect(Save, &QAction::triggered, this, &TForm1::SaveClick);
}

void TForm1::Quit1Click()
{
    close();
}

void TForm1::closeOnRequest()
{
    // A closed window has run its close-down already.
    if (!isVisible())
        return;
    // A modal dialog runs an event loop of its own: it is closed, so that the handler that
    // opened it returns before the player ends.
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<QDialog *>(window);
        if (dialog != nullptr && dialog->isVisible() && dialog->isModal())
            dialog->reject();
    }
    Quit1Click();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    // The player ends even when the settings could not be saved; the user is told why.
    try {
        CloseDown();
    } catch (const std::exception &error) {
        ui::showErrorReport(this, QString::fromUtf8(error.what()));
    }
    event->accept();
}

void TForm1::mouseReleaseEvent(QMouseEvent *event)
{
    // A click on the window itself, not on the picture.
    if (event->button() == Qt::LeftButton
        && !Panel1->geometry().contains(m_clientArea->mapFrom(this, event->position().toPoint())))
        OnClick();
}

void TForm1::contextMenuEvent(QContextMenuEvent *event)
{
    if (!PopupMenu1->isEmpty())
        PopupMenu1->popup(event->globalPos());
}
