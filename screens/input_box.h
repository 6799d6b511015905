#pragma once

#include <QLineEdit>

namespace fururupo {

// The game screen's input box. Every key that goes down in it is announced with the box's text as it stands before
// that key takes effect, so a word typed completely is checked on the next key, Enter for instance.
class InputBox : public QLineEdit
{
    Q_OBJECT

public:
    explicit InputBox(QWidget* parent = nullptr);

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

Q_SIGNALS:
    void keyDown(const QString& textBefore);

protected:
    // event() rather than keyPressEvent(): Tab and Backtab never reach keyPressEvent, and every key must count.
    bool event(QEvent* event) override;
};

} // namespace fururupo
