#include "screens/input_box.h"

#include <QEvent>
#include <QLocale>

namespace fururupo {

InputBox::InputBox(QWidget* parent) : QLineEdit(parent)
{
    setAttribute(Qt::WA_InputMethodEnabled);
}

QVariant InputBox::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // The words are Japanese: ask the input method to compose in Japanese.
    if (query == Qt::ImPreferredLanguage)
        return QLocale(QLocale::Japanese, QLocale::Japan).name();
    return QLineEdit::inputMethodQuery(query);
}

bool InputBox::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress)
        Q_EMIT keyDown(text());
    return QLineEdit::event(event);
}

} // namespace fururupo
