#include "screens/list_chooser.h"

#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace fururupo {

ListChooser::ListChooser(QWidget* parent) : QComboBox(parent)
{
}

void ListChooser::paintEvent(QPaintEvent* /*event*/)
{
    // As QComboBox paints itself, with the shown text cut to the room the style leaves it.
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect room = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideRight, room.width());
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

} // namespace fururupo
