#pragma once

#include "logic/typing_game.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QKeyEvent;

namespace Ui {
class RecordsScreen;
}

namespace fururupo {

class RecordsStore;

// The 成績 window: for one list and speed, the chart of records, keys a minute and accuracy over the games played,
// the ten best games, the kana missed most by rate and the words missed most, a way to practise the missed words and
// a way to forget the history after a confirmation. It closes on 閉じる or Escape and deletes itself when closed.
//
// Its controls, found by object name (laid out in records_screen.ui):
//
//   recordsWindow     this window, titled 成績
//   recordsHeading    the list's name and the speed shown
//   speedChooser      which speed's games are shown (おそい, ふつう, はやい)
//   progressChart     the chart (ProgressChart)
//   bestGames         the ten best games
//   missedKana        the ten kana missed most, by miss rate, with misses and times typed
//   missedWords       the words missed or timed out most
//   recordsNotice     one line about the history file, or why there is nothing to show
//   practiceButton    practice on the missed words
//   forgetButton      deletes the history of this list, or of all lists, after asking
//   closeButton       back to the title screen
class RecordsScreen : public QWidget
{
    Q_OBJECT

public:
    // listHash and listPath name the list as the history keeps it; listName is how the title screen shows it.
    RecordsScreen(RecordsStore& store, QByteArray listHash, QString listName, SpeedLevel speed,
                  QWidget* parent = nullptr);
    ~RecordsScreen() override;

protected:
    // Escape closes the window, from whichever of its controls has the focus.
    void keyPressEvent(QKeyEvent* event) override;

Q_SIGNALS:
    // The player asked to practise: the words (as shown) to draw from, most missed first, never empty.
    void practiceRequested(const std::vector<std::u16string>& words);

private:
    void reload();
    void showNotice(const QString& line);
    void speedPicked(int index);
    void practise();
    void forget();

    std::unique_ptr<Ui::RecordsScreen> ui;
    RecordsStore& store;
    QByteArray listHash;
    QString listName;
    SpeedLevel speed;
};

} // namespace fururupo
