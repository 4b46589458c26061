#include "ui/radiogroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace ui {

RadioGroup::RadioGroup(const QString &caption, const QStringList &items, QWidget *parent)
    : QGroupBox(caption, parent)
    , m_buttons(new QButtonGroup(this))
{
    auto *layout = new QVBoxLayout(this);
    for (qsizetype i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items[i]);
        m_buttons->addButton(button, int(i));
        layout->addWidget(button);
    }
}

int RadioGroup::itemIndex() const
{
    return m_buttons->checkedId();
}

void RadioGroup::setItemIndex(int index)
{
    const int last = int(m_buttons->buttons().size()) - 1;
    if (index < 0) {
        // An exclusive group never lets its checked button go.
        m_buttons->setExclusive(false);
        for (QAbstractButton *button : m_buttons->buttons())
            button->setChecked(false);
        m_buttons->setExclusive(true);
        return;
    }
    item(std::min(index, last))->setChecked(true);
}

QRadioButton *RadioGroup::item(int index) const
{
    return static_cast<QRadioButton *>(m_buttons->button(index));
}

} // namespace ui
