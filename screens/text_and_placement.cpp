#include "screens/text_and_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace fururupo {

QString qtext(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QString captionText(std::u16string_view text)
{
    QString caption = qtext(text);
    caption.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return caption;
}

void centreOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window.move(area.x() + (area.width() - window.width()) / 2, area.y() + (area.height() - window.height()) / 2);
}

QRect placedBeside(const QSize& frame, const QRect& other, const QRect& available)
{
    constexpr int gap = 8;
    QRect placed(QPoint(other.right() + 1 + gap, other.top()), frame);
    if (placed.right() > available.right()) {
        placed.moveRight(other.left() - 1 - gap);
        if (placed.left() < available.left())
            placed.moveCenter(other.center());
    }
    // On the screen, its top left corner first where it is larger than the screen.
    placed.moveLeft(std::max(available.left(), std::min(placed.left(), available.right() + 1 - frame.width())));
    placed.moveTop(std::max(available.top(), std::min(placed.top(), available.bottom() + 1 - frame.height())));
    return placed;
}

void placeBeside(QWidget& window, const QWidget& other)
{
    const QScreen* screen = other.screen() ? other.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // A window not yet shown has no frame: it takes the other's.
    const QSize decoration = other.frameGeometry().size() - other.size();
    const QRect placed = placedBeside(window.size() + decoration, other.frameGeometry(), screen->availableGeometry());
    window.move(placed.topLeft());
}

} // namespace fururupo
