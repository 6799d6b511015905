#include "screens/list_chooser.h"

#include <QStyleOptionComboBox>
#include <QStylePainter>

#include <algorithm>

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
    // The arrow is drawn here, in the text's colour: a style sheet that gives the box its colours leaves none.
    const QRectF arrowArea = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this);
    const qreal half = std::min(arrowArea.width(), arrowArea.height()) / 4;
    const QPointF centre = arrowArea.center();
    const QPointF arrow[] = {centre + QPointF(-half, -half / 2), centre + QPointF(half, -half / 2),
                             centre + QPointF(0, half / 2 + half / 4)};
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::ButtonText));
    painter.drawPolygon(arrow, 3);
    painter.restore();
    const QRect room = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideRight, room.width());
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

} // namespace fururupo
