#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class TForm2;

// The temporary folder chooser, opened from the settings dialog: a list of the mounted volumes,
// the current folder with its ancestors and subfolders, and the chosen folder.
class TForm3 final : public QDialog
{
    Q_OBJECT

public:
    // Built hidden, after the settings dialog, which it registers with.
    explicit TForm3(TForm2 &settingsDialog);

    // Makes the folder the list's current folder. When it cannot be entered the user is told
    // why and false is returned; the list stays where it was.
    bool enterFolder(const QString &folder);

    QComboBox *DriveComboBox1 = nullptr;
    QListWidget *DirectoryListBox1 = nullptr;
    QLineEdit *TempDir = nullptr;
    QPushButton *BitBtn1 = nullptr, *BitBtn2 = nullptr;
    int InitialWidth = 0;
    int InitialHeight = 0;

    void DirectoryListBox1Change();
    void DriveComboBox1Change();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fillDirectoryList();
    void fillDriveList();
    void openListItem(QListWidgetItem *item);

    // The chooser keeps its own folder: moving the player's current folder would change what
    // the relative paths of the playlist name.
    QString m_folder;
};

// The player's text for a folder that cannot be entered, from the system's error number.
QString folderErrorText(int error);
