#pragma once

#include "app/tform1.h"
#include "settings/tform2.h"
#include "settings/tform3.h"
#include "support/fakemediadriver.h"
#include "support/scratchfolder.h"

#include <QAction>
#include <QFile>
#include <QMenu>

// The player's three windows, built in start-up order, not shown, with a settings file of
// their own.
struct PlayerWindows
{
    explicit PlayerWindows(const QList<QByteArray> &arguments = {})
        : form1(arguments, display::DirectDrawCreate,
                [this] {
                    auto driver = std::make_unique<FakeMediaDriver>();
                    media = driver.get();
                    return driver;
                })
        , form2(new TForm2(form1, iniPath()))
        , form3(new TForm3(*form2))
    {}

    // Makes a file of that name in the scratch folder and gives it to the playlist.
    QByteArray addFile(const QByteArray &name)
    {
        const QByteArray path = folder.makeFile(name);
        form1.AddFile(path);
        return path;
    }

    QAction *entry(int index) const { return form1.PopupMenu1->actions().at(index); }
    QString iniPath() const { return QFile::decodeName(folder.path("VelmoMP.ini")); }

    ScratchFolder folder;
    FakeMediaDriver *media = nullptr;
    TForm1 form1;
    TForm2 *form2;
    TForm3 *form3;
};
