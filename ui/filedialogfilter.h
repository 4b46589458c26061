#pragma once

#include <QString>
#include <QStringList>

namespace ui {

// Turns a "description|pattern;pattern|description|pattern" filter into Qt name filters
// ("description (pattern pattern)"). Shown with QFileDialog::HideNameFilterDetails, each entry
// reads exactly as its description.
QStringList nameFilters(const QString &filter);

} // namespace ui
