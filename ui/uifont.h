#pragma once

#include <QFont>
#include <QStringList>

namespace ui {

// The player's 12-pixel Japanese user-interface font.
QFont playerFont();

} // namespace ui
