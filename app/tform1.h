#pragma once

#include "display/displaymodes.h"
#include "display/geometry.h"
#include "display/screenmode.h"
#include "media/mcidriver.h"
#include "settings/settingsowner.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QFileDialog;
class QLabel;
class QMenu;
class QMenuBar;
class QTimer;

namespace media {
class MediaDevice;
}

namespace settings {
class LiveSettings;
}

// The player's main window. It owns the whole playback state, public so that the handlers
// defined in the folder of the subsystem they belong to can reach it. The settings dialog sees
// only its SettingsOwner side.
class TForm1 final : public QMainWindow, public settings::SettingsOwner
{
    Q_OBJECT

public:
    static constexpr int MaxFiles = 100;
    using MediaDriverFactory = std::function<std::unique_ptr<mci::Driver>()>;

    // The movie engine the player uses unless told otherwise.
    static std::unique_ptr<mci::Driver> defaultMediaDriver();

    // arguments: the command-line files, added to the playlist during construction.
    // Throws StartupAborted when the display-mode layer cannot start.
    explicit TForm1(const QList<QByteArray> &arguments,
                    const display::DisplayModeFactory &createDisplayModes
                    = display::DirectDrawCreate,
                    const MediaDriverFactory &createMediaDriver = defaultMediaDriver);
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
    std::unique_ptr<media::MediaDevice> MediaPlayer1;

    // The live settings, held by the settings dialog; null until it has loaded them.
    settings::LiveSettings *Form2 = nullptr;

    // Playback state.
    QImage StillBitmap;
    std::array<QByteArray, MaxFiles> FileList;
    std::array<int, MaxFiles> FileSizeMB {};
    geometry::ZoomTable ZoomSizes {};
    int ZoomStep = 0;
    int FileCount = 0;
    int FileIndex = 0;
    int FrameRate = 0;
    // 0 windowed, 1 full screen with a switched mode, 2 full screen at the desktop's size.
    int FullScreenState = 0;
    // The window's place before full screen, put back when it ends.
    int SavedTop = 0;
    int SavedLeft = 0;
    int MovieOpened = 0;
    int RefreshCountdown = 0;
    std::unique_ptr<display::DisplayModeDevice> DDrawObject;
    int StartupState = 0;
    QByteArray LastOpenDir;
    QByteArray SaveDir;
    // The read-ahead copy now on disk, or empty.
    QByteArray TempCopyName;
    // 1 full screen with a switched mode, 2 window at 640*480, 3 at 320*240, 4 at a multiple of
    // the source size, 5 full screen at the desktop's resolution.
    int DisplayMode = 0;

    // Start-up, files and drops.
    void Open1Click();
    void OpenSelectedFiles(const QStringList &selectedFiles);
    void Quit1Click();
    // Quit asked for from outside the window (a termination signal): also from inside a modal
    // dialog, and once however often it is asked.
    void closeOnRequest();
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
    // The playlist index PrepareFile handled last, for the whole run; -1 before the first.
    static inline int LastPreparedIndex = -1;
    void Timer1Timer();
    // The position the monitor saw last, for the whole run; -1 when a movie has just opened.
    static inline qint32 LastPosition = 0;
    void CloseDown();

    // Transport.
    void PlayClick();
    void PauseClick();
    void NextFrameClick();
    void PrevFrameClick();
    void NextSecClick();
    void PrevSecClick();
    void NextBlockClick();
    void PrevBlockClick();
    void RewindFileClick();

    // Display.
    void FillZoomSizes();
    void ApplyDisplayMode(int mode);
    void ChangeDisplayMode();
    void ShowInWindow(int width, int height);
    void ShowSwitchedFullScreen();
    void ShowDesktopFullScreen();
    void PlaceFullScreen(int width, int height);
    QRect FitRect(int width, int height);
    void FullClick();
    void HalfClick();
    void SourceClick();
    void FullScreenClick();
    void CentreWindow();

    // Full screen.
    // The switched mode asked for last, for the whole run; 0 before the first.
    static inline int LastModeScale = 0;
    static inline int LastModeDepth = 0;
    int EnterSwitchedMode();
    void EnterDesktopMode();
    void LeaveFullScreen();
    display::ScreenMode ChooseScreenMode() const;
    void PopupDispOn();
    void OnClick();

    // Still capture.
    void SaveClick();
    void ArmStillRefresh();
    void RepaintVideo();
    void RefreshStill();

    // Keys.
    void OnKey(int key, Qt::KeyboardModifiers modifiers);

    // Settings.
    void OptionClick();
    QWidget &ownerWindow() override;
    qint32 countDisplayModes() override;
    void startOpenDialogIn(const QString &folder) override;
    void startSaveDialogIn(const QString &folder) override;
    QByteArray lastOpenDir() const override;
    QByteArray saveDir() const override;
    void setFirstDisplayMode(int mode) override;
    void settingsLoaded(settings::LiveSettings &settings) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // Sizes the client area; the panel fills it unless full screen has placed it.
    void setClientSize(QSize size);
    void setFullScreenWindow(bool on);
    void buildComponents();
    void buildMainMenu();
    bool entryEnabled(int index) const;
    void seekBy(qint32 frames);

    QWidget *m_clientArea = nullptr;
    bool m_panelFillsClient = true;
};

// Thrown by the main window's construction after it has told the user that the display-mode
// layer cannot start; the player then ends with exit code 0.
struct StartupAborted
{};
