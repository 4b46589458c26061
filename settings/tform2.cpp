#include "settings/tform2.h"

#include "settings/inikeys.h"
#include "settings/settingslocation.h"
#include "settings/settingsowner.h"
#include "settings/tform3.h"
#include "ui/radiogroup.h"
#include "ui/startuplogo.h"
#include "ui/taggedframe.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

template<typename Control>
Control *addControl(QLayout *layout, const char *name, const QString &caption)
{
    auto *control = new Control(caption);
    control->setObjectName(QLatin1StringView(name));
    layout->addWidget(control);
    return control;
}

template<typename Frame = QGroupBox>
Frame *makeFrame(const char *name, const QString &caption, QLayout *layout)
{
    auto *frame = new Frame(caption);
    frame->setObjectName(QLatin1StringView(name));
    frame->setLayout(layout);
    return frame;
}

QRadioButton *addColorButton(QLayout *layout, const char *name, const QString &caption)
{
    QRadioButton *button = addControl<QRadioButton>(layout, name, caption);
    // Enabled by the settings load from the display modes the screen offers.
    button->setEnabled(false);
    return button;
}

// Checks the button of a colour group's default depth; a group without one keeps its choice.
void checkDefaultDepth(int depth, QRadioButton *c16, QRadioButton *c24, QRadioButton *c32)
{
    QRadioButton *button = depth == 16 ? c16 : depth == 24 ? c24 : depth == 32 ? c32 : nullptr;
    if (button != nullptr)
        button->setChecked(true);
}

// Runs the handler whenever the button becomes checked, by the user or by the player's code.
void onChecked(QRadioButton *button, TForm2 *dialog, void (TForm2::*handler)())
{
    QObject::connect(button, &QRadioButton::toggled, dialog, [dialog, handler](bool checked) {
        if (checked)
            (dialog->*handler)();
    });
}

} // namespace

TForm2::TForm2(settings::SettingsOwner &mainWindow, const QString &iniPath)
    : QDialog(&mainWindow.ownerWindow())
    , IniPath(iniPath)
    , IniSection(settings::inikeys::Section)
    , m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("設定"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setModal(false);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(buildDisplayModePage(), QStringLiteral("表示モード"));
    PageControl1->addTab(buildColorPage(), QStringLiteral("表示色"));
    PageControl1->addTab(buildAspectPage(), QStringLiteral("アスペクト比"));
    PageControl1->addTab(buildOtherPage(), QStringLiteral("その他"));
    PageControl1->addTab(buildAboutPage(), QStringLiteral("About"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl1);
    // The pages need a little more room than the classic 361*225 with Qt's controls.
    setFixedSize(sizeHint().expandedTo(QSize(361, 225)));

    onChecked(ColorFull, this, &TForm2::ColorFullClick);
    onChecked(ColorHalf, this, &TForm2::ColorHalfClick);
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);

    LoadSettings();
    mainWindow.settingsLoaded(*this);
}

QString TForm2::defaultIniPath()
{
    return settings::settingsFilePath(QCoreApplication::applicationDirPath());
}

QWidget *TForm2::buildDisplayModePage()
{
    auto *screenLayout = new QHBoxLayout;
    ScreenMode = makeFrame("ScreenMode", QStringLiteral("初回再生時の表示状態"), screenLayout);
    WinDisp = addControl<QRadioButton>(screenLayout, "WinDisp", QStringLiteral("窓で表示"));
    FullDisp = addControl<QRadioButton>(screenLayout, "FullDisp", QStringLiteral("全画面表示"));

    auto *autoLayout = new QVBoxLayout;
    QGroupBox *autoPlay = makeFrame("GroupBox1", QStringLiteral("自動再生"), autoLayout);
    AutoStart = addControl<QCheckBox>(autoLayout, "AutoStart",
                                      QStringLiteral("ファイル展開と同時に再生"));
    Continue = addControl<QCheckBox>(autoLayout, "Continue",
                                     QStringLiteral("終了後、次のファイルへ"));
    Repeat = addControl<QCheckBox>(autoLayout, "Repeat", QStringLiteral("繰り返し再生する"));

    auto *sizeLayout = new QVBoxLayout;
    RadioGroup3
            = makeFrame("RadioGroup3", QStringLiteral("初回再生時の表示Size（窓）"), sizeLayout);
    SourceSize = addControl<QRadioButton>(sizeLayout, "SourceSize", QStringLiteral("元のサイズ"));
    HalfSize = addControl<QRadioButton>(sizeLayout, "HalfSize",
                                        QStringLiteral("ハーフサイズ(320*240)"));
    FullSize = addControl<QRadioButton>(sizeLayout, "FullSize",
                                        QStringLiteral("フルサイズ 　(640*480)"));

    auto *lower = new QHBoxLayout;
    lower->addWidget(autoPlay);
    lower->addWidget(RadioGroup3);
    auto *page = new QWidget;
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(ScreenMode);
    pageLayout->addLayout(lower);
    return page;
}

QWidget *TForm2::buildColorPage()
{
    auto *halfLayout = new QVBoxLayout;
    ScreenColorH = makeFrame<ui::TaggedFrame>(
            "ScreenColorH", QStringLiteral("320*240で表示時の色モード"), halfLayout);
    Color16H = addColorButton(halfLayout, "Color16H", QStringLiteral("16bit Color"));
    Color24H = addColorButton(halfLayout, "Color24H", QStringLiteral("24bit Color"));
    Color32H = addColorButton(halfLayout, "Color32H", QStringLiteral("32bit Color"));
    ColorFull = addColorButton(halfLayout, "ColorFull", QStringLiteral("640*480で表示"));

    auto *fullLayout = new QVBoxLayout;
    ScreenColorF = makeFrame<ui::TaggedFrame>(
            "ScreenColorF", QStringLiteral("640*480で表示時の色モード"), fullLayout);
    Color16F = addColorButton(fullLayout, "Color16F", QStringLiteral("16bit Color"));
    Color24F = addColorButton(fullLayout, "Color24F", QStringLiteral("24bit Color"));
    Color32F = addColorButton(fullLayout, "Color32F", QStringLiteral("32bit Color"));
    ColorHalf = addColorButton(fullLayout, "ColorHalf", QStringLiteral("320*240で表示"));

    auto *page = new QWidget;
    auto *pageLayout = new QHBoxLayout(page);
    pageLayout->addWidget(ScreenColorH);
    pageLayout->addWidget(ScreenColorF);
    return page;
}

QWidget *TForm2::buildAspectPage()
{
    PixelRatio = new ui::RadioGroup(
            QStringLiteral("アスペクト比設定"),
            {QStringLiteral("フルモード　　　　　（高さ／幅ともに規定サイズにする）"),
             QStringLiteral("ノーマルモード　　（高さ／幅ともに規定サイズ内に収める）"),
             QStringLiteral("ズームモード　　　（高さを規定サイズにして幅を調整）")});
    PixelRatio->setObjectName(QStringLiteral("PixelRatio"));
    PixelRatio->setItemIndex(1);

    auto *page = new QWidget;
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(PixelRatio);
    pageLayout->addWidget(new QLabel(QStringLiteral("規定値： 320*240 または 640*480")));
    pageLayout->addStretch();
    return page;
}

QWidget *TForm2::buildOtherPage()
{
    auto *grid = new QGridLayout;
    QGroupBox *speedUp = makeFrame("GroupBox2", QStringLiteral("表示高速化対策"), grid);
    const auto addSpeedRow = [grid](int row, const char *checkName, const QString &caption,
                                    const char *sizeName, QCheckBox *&check, QLineEdit *&size) {
        check = new QCheckBox(caption);
        check->setObjectName(QLatin1StringView(checkName));
        size = new QLineEdit;
        size->setObjectName(QLatin1StringView(sizeName));
        grid->addWidget(check, row, 0);
        grid->addWidget(size, row, 1);
        grid->addWidget(new QLabel(QStringLiteral("MB以下のFile")), row, 2);
    };
    addSpeedRow(0, "Speed1", QStringLiteral("ディスクキャッシュにためる"), "Speed1Size", Speed1,
                Speed1Size);
    addSpeedRow(1, "Speed2", QStringLiteral("テンポラリにコピー"), "Speed2Size", Speed2,
                Speed2Size);
    // Limits typing only: a longer stored value is shown and saved back whole.
    Speed1Size->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral(".{0,3}")), Speed1Size));

    grid->addWidget(new QLabel(QStringLiteral("テンポラリディレクトリ")), 2, 0, 1, 3);
    TempDir = new QLineEdit;
    TempDir->setObjectName(QStringLiteral("TempDir"));
    TempDir->setReadOnly(true);
    Button1 = new QPushButton(QStringLiteral("参照"));
    Button1->setObjectName(QStringLiteral("Button1"));
    // Enter in the dialog must not open the chooser.
    Button1->setAutoDefault(false);
    grid->addWidget(TempDir, 3, 0, 1, 2);
    grid->addWidget(Button1, 3, 2);

    auto *page = new QWidget;
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(speedUp);
    pageLayout->addStretch();
    return page;
}

QWidget *TForm2::buildAboutPage()
{
    auto *logo = new QLabel;
    logo->setPixmap(QPixmap::fromImage(ui::startupLogo()));
    auto *page = new QWidget;
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(new QLabel(QStringLiteral("Velmo Movie Player v1.00")));
    pageLayout->addWidget(logo);
    pageLayout->addWidget(
            new QLabel(QStringLiteral("動画のコマ送りと静止画の取り込みのためのプレーヤー")));
    pageLayout->addWidget(new QLabel(QStringLiteral("Linux 版: Qt と libmpv で動作します")));
    pageLayout->addStretch();
    return page;
}

void TForm2::ColorFullClick()
{
    if (ColorHalf->isChecked())
        checkDefaultDepth(ScreenColorF->Tag, Color16F, Color24F, Color32F);
}

void TForm2::ColorHalfClick()
{
    if (ColorFull->isChecked())
        checkDefaultDepth(ScreenColorH->Tag, Color16H, Color24H, Color32H);
}

void TForm2::Button1Click()
{
    Form3->move(x() + 20, y() + 20);
    if (!Form3->enterFolder(TempDir->text()))
        return;
    if (Form3->exec() == QDialog::Accepted)
        TempDir->setText(Form3->TempDir->text());
}

void TForm2::closeEvent(QCloseEvent *event)
{
    // A save that throws leaves the dialog open; the error report tells the user why.
    event->ignore();
    SaveSettings();
    event->accept();
    QDialog::closeEvent(event);
}

void TForm2::keyPressEvent(QKeyEvent *event)
{
    // The dialog has no cancel: Escape closes it like the close box, saving the settings.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}
