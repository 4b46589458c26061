#pragma once

#include <QGroupBox>

class QButtonGroup;
class QRadioButton;

namespace ui {

// A captioned group of radio items chosen by index; -1 means no item is chosen.
class RadioGroup final : public QGroupBox
{
    Q_OBJECT

public:
    RadioGroup(const QString &caption, const QStringList &items, QWidget *parent = nullptr);

    int itemIndex() const;
    // Indices above the last item choose the last item; indices below 0 choose none.
    void setItemIndex(int index);
    QRadioButton *item(int index) const;

private:
    QButtonGroup *m_buttons;
};

} // namespace ui
