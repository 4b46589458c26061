#include "settings/tform2.h"

#include "app/tform1.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
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

QGroupBox *makeGroup(const char *name, const QString &caption, QLayout *layout)
{
    auto *group = new QGroupBox(caption);
    group->setObjectName(QLatin1StringView(name));
    group->setLayout(layout);
    return group;
}

} // namespace

TForm2::TForm2(TForm1 &mainWindow)
    : QDialog(&mainWindow)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("設定"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setModal(false);
    setFixedSize(361, 225);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(buildDisplayModePage(), QStringLiteral("表示モード"));
    for (const QString &title : {QStringLiteral("表示色"), QStringLiteral("アスペクト比"),
                                 QStringLiteral("その他"), QStringLiteral("About")})
        PageControl1->addTab(new QWidget, title);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl1);

    mainWindow.Form2 = this;
    mainWindow.StartupState = 1;
}

QWidget *TForm2::buildDisplayModePage()
{
    auto *screenLayout = new QHBoxLayout;
    ScreenMode = makeGroup("ScreenMode", QStringLiteral("初回再生時の表示状態"), screenLayout);
    WinDisp = addControl<QRadioButton>(screenLayout, "WinDisp", QStringLiteral("窓で表示"));
    FullDisp = addControl<QRadioButton>(screenLayout, "FullDisp", QStringLiteral("全画面表示"));

    auto *autoLayout = new QVBoxLayout;
    QGroupBox *autoPlay = makeGroup("GroupBox1", QStringLiteral("自動再生"), autoLayout);
    AutoStart = addControl<QCheckBox>(autoLayout, "AutoStart",
                                      QStringLiteral("ファイル展開と同時に再生"));
    Continue = addControl<QCheckBox>(autoLayout, "Continue",
                                     QStringLiteral("終了後、次のファイルへ"));
    Repeat = addControl<QCheckBox>(autoLayout, "Repeat", QStringLiteral("繰り返し再生する"));

    auto *sizeLayout = new QVBoxLayout;
    RadioGroup3
            = makeGroup("RadioGroup3", QStringLiteral("初回再生時の表示Size（窓）"), sizeLayout);
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
