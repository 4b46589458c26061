#pragma once

#include "app/tform1.h"
#include "settings/tform2.h"
#include "settings/tform3.h"

#include <QAction>
#include <QMenu>

// The player's three windows, built in start-up order, not shown.
struct PlayerWindows
{
    explicit PlayerWindows(const QList<QByteArray> &arguments = {})
        : form1(arguments)
        , form2(new TForm2(form1))
        , form3(new TForm3(*form2))
    {}

    QAction *entry(int index) const { return form1.PopupMenu1->actions().at(index); }

    TForm1 form1;
    TForm2 *form2;
    TForm3 *form3;
};
