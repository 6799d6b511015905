#pragma once

#include "logic/key_slips.h"
#include "logic/keyboard_layout.h"
#include "logic/typing_game.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QKeyEvent;
class QResizeEvent;

namespace Ui {
class RecordsScreen;
}

namespace fururupo {

class RecordsStore;

// The 成績 window: for one list, speed and way of typing, the chart of records, correct keys a minute, scores and
// accuracy (in a panel of its own, 0 to 100 %) over the games played, the ten best games, a map of the keys missed
// and the slips made most often; for the list, the kana missed most by rate and the words missed most; a way to
// practise the missed words and a way to forget the history after a confirmation. It opens on the way of typing of the
// last game kept for the list and speed. It closes on 閉じる or Escape and deletes itself when closed.
//
// Its controls, found by object name (laid out in records_screen.ui):
//
//   recordsWindow     this window, titled 成績
//   recordsHeading    the list's name and the speed shown
//   speedChooser      which speed's games are shown (おそい, ふつう, はやい)
//   styleChooser      which way of typing's games are shown (ローマ字入力, かな入力, 日本語入力システム)
//   progressChart     the chart (ProgressChart)
//   bestGames         the ten best games, with their scores; the best score above them
//   missedKana        the ten kana missed most, by miss rate, with misses and times typed
//   missedWords       the words missed or timed out most
//   keyMissMap        the keyboard the game draws, each key coloured by its miss rate at this speed and way of typing,
//                     with the key most often pressed in its place (KeyMissMap)
//   keyConfusions     the slips made most often: the key to press, the key pressed instead, how often
//   recordsNotice     one line about the history file, or why there is nothing to show
//   practiceButton    practice on the missed words
//   forgetButton      deletes the history of this list, or of all lists, after asking
//   closeButton       back to the title screen
class RecordsScreen : public QWidget
{
    Q_OBJECT

public:
    // listHash and listPath name the list as the history keeps it; listName is how the title screen shows it.
    // The store outlives the window: whoever opens the window owns it.
    RecordsScreen(RecordsStore& store, QByteArray listHash, QString listName, SpeedLevel speed,
                  QWidget* parent = nullptr);
    ~RecordsScreen() override;

    // The keyboard the key map draws: the one the game screen draws (JIS until told).
    void setKeyboardLayout(KeyboardLayout layout);

protected:
    // Escape closes the window, from whichever of its controls has the focus.
    void keyPressEvent(QKeyEvent* event) override;
    // The heading and the notice are cut to their labels' widths again whenever the window changes size.
    void resizeEvent(QResizeEvent* event) override;
    // The heading follows the window's font, whatever size the desktop gives it.
    void changeEvent(QEvent* event) override;

Q_SIGNALS:
    // The player asked to practise: the words (as shown) to draw from, most missed first, never empty.
    void practiceRequested(const std::vector<std::u16string>& words);

private:
    void reload();
    void showSlips();
    void showNotice(const QString& line);
    void fitTexts();
    void sizeHeading();
    void speedPicked(int index);
    void stylePicked(int index);
    void practise();
    void forget();

    std::unique_ptr<Ui::RecordsScreen> ui;
    RecordsStore& store;
    QByteArray listHash;
    QString listName;
    SpeedLevel speed;
    TypingStyle style = TypingStyle::Romaji;
    KeyboardLayout layout = KeyboardLayout::Jis;
    // The slips listed, most frequent first.
    std::vector<ConfusionCount> slips;
    QString notice; // the notice line whole, before it is cut to its label
    bool built = false;
};

} // namespace fururupo
