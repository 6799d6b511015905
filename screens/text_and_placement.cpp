#include "screens/text_and_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

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

} // namespace fururupo
