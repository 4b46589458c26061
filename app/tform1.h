#pragma once

#include "display/displaymodes.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMainWindow>

#include <array>
#include <memory>

class QAction;
class QFileDialog;
class QLabel;
class QMenu;
class QMenuBar;
class QTimer;
class TForm2;

// The player's main window. It owns the whole playback state; the settings dialog reads and
// writes some of it, which is why the state is public. Handlers are defined in the folder of
// the subsystem they belong to.
class TForm1 final : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int MaxFiles = 100;

    // arguments: the command-line files, added to the playlist during construction.
    // Throws StartupAborted when the display-mode layer cannot start.
    explicit TForm1(const QList<QByteArray> &arguments,
                    const display::DisplayModeFactory &createDisplayModes
                    = display::DirectDrawCreate);
    ~TForm1() override;

    // Components.
    QWidget *Panel1 = nullptr;
    QLabel *Image1 = nullptr;
    QTimer *Timer1 = nullptr;
    QMenuBar *MainMenu1 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QFileDialog *OpenDialog1 = nullptr;
    QFileDialog *SaveDialog1 = nullptr;
    QMenu *File1 = nullptr, *Mode1 = nullptr, *Size1 = nullptr, *Other = nullptr;
    QAction *Open1 = nullptr, *Save = nullptr, *Quit1 = nullptr;
    QAction *Play = nullptr, *Pause = nullptr, *N1 = nullptr, *NextFrame = nullptr,
            *PrevFrame = nullptr, *NextSec = nullptr, *PrevSec = nullptr, *NextBlock = nullptr,
            *PrevBlock = nullptr, *N2 = nullptr, *NextFile = nullptr, *PrevFile = nullptr,
            *RewindFile = nullptr;
    QAction *Full = nullptr, *Half = nullptr, *Source = nullptr, *FullScreen = nullptr;
    QAction *Option = nullptr;

    // The settings dialog, which holds the live settings; it registers itself when built.
    TForm2 *Form2 = nullptr;

    // Playback state.
    QImage StillBitmap;
    std::array<QByteArray, MaxFiles> FileList;
    std::array<int, MaxFiles> FileSizeMB {};
    int FileCount = 0;
    int FileIndex = 0;
    std::unique_ptr<display::DisplayModeDevice> DDrawObject;
    int StartupState = 0;
    QByteArray LastOpenDir;
    QByteArray SaveDir;
    // 1 full screen with a switched mode, 2 window at 640*480, 3 at 320*240, 4 at a multiple of
    // the source size, 5 full screen at the desktop's resolution.
    int DisplayMode = 0;

    // Start-up, files and drops.
    void Open1Click();
    void OpenSelectedFiles(const QStringList &selectedFiles);
    void Quit1Click();
    void FileItemClick(QAction *entry);
    void ReceiveDropBlock(const QByteArray &block);
    void OnDropFiles(const QList<QByteArray> &names);
    void SetAcceptDrops(bool on);

    // Playlist and playback.
    void AddFile(const QByteArray &path);
    void NextFileClick();
    void PrevFileClick();
    void LoadCurrentFile();
    QByteArray PrepareFile();
    void Timer1Timer();
    void CloseDown();

    // Settings.
    void OptionClick();

protected:
    void closeEvent(QCloseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildComponents();
    void buildMainMenu();
    bool RepeatChecked() const;
    bool entryEnabled(int index) const;
};

// Thrown by the main window's construction after it has told the user that the display-mode
// layer cannot start; the player then ends with exit code 0.
struct StartupAborted
{};
