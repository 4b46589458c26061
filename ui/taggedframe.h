#pragma once

#include <QGroupBox>

namespace ui {

// A captioned frame that carries one integer for its owner, as the settings dialog's colour
// groups carry their default depth.
class TaggedFrame final : public QGroupBox
{
public:
    using QGroupBox::QGroupBox;

    int Tag = 0;
};

} // namespace ui
