#pragma once

#include "logic/keyboard_layout.h"
#include "logic/next_key.h"
#include "player/settings.h"

#include <QColor>
#include <QPainterPath>
#include <QStaticText>
#include <QWidget>

#include <array>
#include <vector>

namespace fururupo {

// Whether the game screen shows the keyboard picture; F2 on the game screen switches it, and the choice is kept.
inline constexpr Setting<bool> keyboardShownSetting{"keyboard/shown", false};
// Which keyboard the picture draws: 0 the desktop's (see desktopKeyboardLayout), 1 the Japanese one, 2 the US one.
inline constexpr Setting<int> keyboardLayoutSetting{"keyboard/layout", 0, 0, 2};

// The keyboard picture of the game screen: the main block and the function row of a JIS or US keyboard, each key with
// its letter and, small, its kana for kana input, tinted by the finger that presses it; the next key lit in its
// finger's colour (with the Shift to hold), a key pressed instead in red, and beside the keys the finger's name.
//
// Colours, one for each finger and the same for both hands (the hand is plain from the side of the keyboard and is
// named beside it): little fingers pink, ring fingers blue, middle fingers green, index fingers amber, thumbs cyan.
// Pink and cyan are the game screen's own accents; no finger is red, which is kept for the key pressed instead.
class KeyboardView : public QWidget
{
    Q_OBJECT

public:
    explicit KeyboardView(QWidget* parent = nullptr);

    void setKeyboardLayout(KeyboardLayout layout);
    KeyboardLayout keyboardLayout() const { return shownLayout; }

    // Lights these keys; only the keys whose look changes, and the finger's name when it changes, are repainted.
    void setLit(const LitKeys& lit);
    const LitKeys& lit() const { return litKeys; }

    // Where the key is drawn, in the widget's pixels; empty for a key this keyboard does not have.
    QRect keyRect(KeyboardKey key) const;

    // The name of the finger that presses the next key ("右手・人さし指"), empty when no key is lit.
    QString fingerLine() const;

    static QColor fingerColour(Finger finger);
    static QString fingerName(Finger finger);
    // The red of a key pressed instead of the lit one.
    static QColor hitColour();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Look { Plain, Next, Shift, Hit };

    // One key as drawn: its outline in pixels and its legends laid out once.
    struct DrawnKey
    {
        KeyboardKey key;
        QPainterPath outline;
        QRect bounds;
        QStaticText legend;
        QFont legendFont;
        QPointF legendAt;
        QStaticText kana;
        QPointF kanaAt;
        QColor fill, edge;
    };

    Look lookOf(KeyboardKey key) const;
    void layOut();
    void paintKey(QPainter& painter, const DrawnKey& key) const;
    void paintPanel(QPainter& painter) const;
    QRect panelRect() const;
    QRect keyboardRect() const;

    KeyboardLayout shownLayout = KeyboardLayout::Jis;
    LitKeys litKeys;
    std::vector<DrawnKey> keys;
    // Where each key is in `keys`, by KeyboardKey; -1 for none.
    std::array<int, static_cast<std::size_t>(KeyboardKey::F12) + 1> keyIndex{};
    QStaticText layoutName;
    QStaticText hideHint;
    QFont legendFont, kanaFont, panelFont, smallFont;
};

} // namespace fururupo
