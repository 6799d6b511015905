#pragma once

#include "logic/key_slips.h"
#include "logic/keyboard_layout.h"

#include <QColor>
#include <QWidget>

#include <array>
#include <optional>
#include <vector>

namespace fururupo {

// The 成績 window's map of the keys a player misses: the keyboard the game draws (the same places as the
// game screen's keyboard picture), as large as its room allows, each key filled by its miss rate (a key never to
// press stays grey) and marked, small at its lower right, with the key most often pressed in its place. A scale of the
// colours runs below the keys.
class KeyMissMap : public QWidget
{
    Q_OBJECT

public:
    explicit KeyMissMap(QWidget* parent = nullptr);

    void setKeyboardLayout(KeyboardLayout layout);
    KeyboardLayout keyboardLayout() const { return shownLayout; }

    // The keys counted over the games shown and their slips (any order); empty shows every key grey.
    void setCounts(const std::vector<KeyMisses>& keys, const std::vector<ConfusionCount>& confusions);

    // The key's miss rate, from 0 to 1; none for a key never to press in those games.
    std::optional<double> missRate(KeyboardKey key) const;
    // The key pressed most often where this one was to be (on a tie, the first in the keyboard's order); none without
    // a slip.
    std::optional<KeyboardKey> mostHitInstead(KeyboardKey key) const;

    // Where the key is drawn, in the widget's pixels; empty for a key this keyboard does not have.
    QRect keyRect(KeyboardKey key) const;

    // The fill for a miss rate: pale green for none, through yellow, to red from highRate up.
    static QColor colourOfRate(double rate);
    static QColor unusedColour();
    static constexpr double highRate = 0.2;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return false; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr std::size_t keyCount = static_cast<std::size_t>(KeyboardKey::F12) + 1;

    // The size of a letter key and the keyboard's top-left corner, for the widget's size.
    qreal keyUnit() const;
    QPointF origin() const;
    int scaleHeight() const;

    KeyboardLayout shownLayout = KeyboardLayout::Jis;
    std::array<std::optional<double>, keyCount> rates{};
    std::array<std::optional<KeyboardKey>, keyCount> hitInstead{};
};

} // namespace fururupo
