#pragma once

#include "logic/keyboard_layout.h"
#include "logic/next_key.h"
#include "player/settings.h"

#include <QColor>
#include <QPainterPath>
#include <QPixmap>
#include <QStaticText>
#include <QWidget>

#include <array>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace fururupo {

// Whether the game screen shows the keyboard picture; F2 on the game screen switches it, and the choice is kept.
inline constexpr Setting<bool> keyboardShownSetting{"keyboard/shown", false};
// Which keyboard the picture draws: 0 the desktop's (see desktopKeyboardLayout), 1 the Japanese one, 2 the US one.
inline constexpr Setting<int> keyboardLayoutSetting{"keyboard/layout", 0, 0, 2};

// A key's outline on a picture of its keyboard drawn from origin with keys keyUnit pixels wide: a rounded rectangle,
// or the JIS Enter's upturned L; and the rectangle of its top part, where its legends go.
QPainterPath keyOutline(const KeyPlace& place, QPointF origin, qreal keyUnit);
QRectF keyTop(const KeyPlace& place, QPointF origin, qreal keyUnit);

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
    void changeEvent(QEvent* event) override;

private:
    enum class Look { Plain, Lit, Hit };

    // A line of the panel beside the keys: "次のキー", the next key's finger, the Shift's, and two lines after a slip.
    struct PanelLine
    {
        QString text;
        QColor colour;

        bool operator==(const PanelLine&) const = default;
    };
    using PanelLines = std::array<PanelLine, 5>;

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
    static PanelLines panelOf(const LitKeys& lit);
    QRect panelLineRect(std::size_t line) const;
    // The key's place with room for its lit outline: what a change of its look repaints.
    QRect imageRect(KeyboardKey key) const;
    void layOut();
    template <typename Paint> QPixmap rendered(const QRect& area, const QColor& background, Paint paint) const;
    void paintKey(QPainter& painter, const DrawnKey& key, Look look) const;
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
    // The pictures a paint copies from, made on the first paint that needs them: the whole strip with every key plain,
    // each key lit and hit (by its place in `keys`), each line of the panel as it was shown; all made again for
    // another layout, size or pixel ratio.
    QPixmap board;
    qreal boardRatio = 0;
    std::vector<std::array<QPixmap, 2>> keyImages;
    std::map<std::pair<std::size_t, QString>, QPixmap> lineImages;
};

} // namespace fururupo
