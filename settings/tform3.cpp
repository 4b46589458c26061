#include "settings/tform3.h"

#include "settings/tform2.h"
#include "text/pathparts.h"
#include "ui/errorreport.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QVBoxLayout>

#include <cerrno>
#include <dirent.h>

namespace {

constexpr int FolderRole = Qt::UserRole;

// 0 when the folder can be entered and listed, else the system's error number.
int enterError(const QString &folder)
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (dir == nullptr)
        return errno != 0 ? errno : EIO;
    ::closedir(dir);
    return 0;
}

QWidget *panel(int height, QLayout *layout)
{
    auto *widget = new QWidget;
    if (height > 0)
        widget->setFixedHeight(height);
    if (layout != nullptr)
        widget->setLayout(layout);
    return widget;
}

} // namespace

QString folderErrorText(int error)
{
    switch (error) {
    case ENOENT:
        return QStringLiteral("ﾌｧｲﾙが見つかりません");
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
        return QStringLiteral("不正なﾌｧｲﾙ名です");
    default:
        return QStringLiteral("I/O ｴﾗｰ (%1)").arg(error);
    }
}

TForm3::TForm3(TForm2 &settingsDialog)
    : QDialog(&settingsDialog)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("テンポラリの設定"));

    DriveComboBox1 = new QComboBox;
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    auto *topLayout = new QVBoxLayout;
    topLayout->setContentsMargins(0, 4, 0, 4);
    topLayout->addWidget(DriveComboBox1);

    DirectoryListBox1 = new QListWidget;
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    auto *middleLayout = new QVBoxLayout;
    middleLayout->setContentsMargins(0, 0, 0, 0);
    middleLayout->addWidget(DirectoryListBox1);

    QWidget *bottom = panel(73, nullptr);
    TempDir = new QLineEdit(bottom);
    TempDir->setObjectName(QStringLiteral("TempDir"));
    TempDir->setReadOnly(true);
    TempDir->setGeometry(0, 8, 369, 20);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), bottom);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(96, 40, 75, 25);
    BitBtn2 = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), bottom);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(200, 40, 75, 25);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel(33, topLayout));
    layout->addWidget(panel(0, middleLayout), 1);
    layout->addWidget(bottom);

    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(DirectoryListBox1, &QListWidget::itemActivated, this, &TForm3::openListItem);
    connect(DriveComboBox1, &QComboBox::activated, this, &TForm3::DriveComboBox1Change);

    resize(369, 252);
    InitialWidth = width();
    InitialHeight = height();
    setMinimumSize(InitialWidth, InitialHeight);

    fillDriveList();
    settingsDialog.Form3 = this;
}

bool TForm3::enterFolder(const QString &folder)
{
    if (const int error = enterError(folder); error != 0) {
        ui::showErrorReport(this, folderErrorText(error));
        return false;
    }
    m_folder = QDir::cleanPath(QDir(folder).absolutePath());
    for (int i = DriveComboBox1->count() - 1; i >= 0; --i) {
        const QString root = DriveComboBox1->itemData(i).toString();
        if (pathparts::withSeparator(m_folder).startsWith(pathparts::withSeparator(root))) {
            DriveComboBox1->setCurrentIndex(i);
            break;
        }
    }
    fillDirectoryList();
    DirectoryListBox1Change();
    return true;
}

void TForm3::DirectoryListBox1Change()
{
    TempDir->setText(pathparts::withSeparator(m_folder));
}

void TForm3::DriveComboBox1Change()
{
    const QString root = DriveComboBox1->currentData().toString();
    if (!root.isEmpty())
        enterFolder(root);
}

void TForm3::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    TempDir->resize(width(), TempDir->height());
    DriveComboBox1->resize(width(), DriveComboBox1->height());
}

void TForm3::fillDriveList()
{
    DriveComboBox1->clear();
    QStringList roots;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady())
            roots << volume.rootPath();
    }
    roots.sort();
    roots.removeDuplicates();
    for (const QString &root : roots)
        DriveComboBox1->addItem(root, root);
}

void TForm3::fillDirectoryList()
{
    DirectoryListBox1->clear();
    // The folder's ancestors from the root down, the folder itself, then its subfolders.
    QStringList chain;
    for (QDir dir(m_folder);;) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    int depth = 0;
    for (const QString &folder : chain) {
        const QString name = folder == u'/' ? folder : QDir(folder).dirName();
        auto *item = new QListWidgetItem(QString(depth * 2, u' ') + name, DirectoryListBox1);
        item->setData(FolderRole, folder);
        ++depth;
    }
    DirectoryListBox1->setCurrentRow(int(chain.size()) - 1);
    const QStringList subfolders = QDir(m_folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot,
                                                            QDir::Name | QDir::IgnoreCase);
    for (const QString &sub : subfolders) {
        auto *item = new QListWidgetItem(QString(depth * 2, u' ') + sub, DirectoryListBox1);
        item->setData(FolderRole, QDir(m_folder).filePath(sub));
    }
}

void TForm3::openListItem(QListWidgetItem *item)
{
    enterFolder(item->data(FolderRole).toString());
}
