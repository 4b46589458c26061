#pragma once

#include <QImage>

namespace ui {

// The start-up logo: a 24-bit 235 by 30 picture of the application title in red on black.
QImage startupLogo();

} // namespace ui
