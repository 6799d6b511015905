#pragma once

#include <QTimer>
#include <QWidget>

#include "logic/typing_game.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QPaintEvent;
class QShowEvent;
class QLabel;

namespace Ui {
class TitleScreen;
}

namespace fururupo {

class ListChoice;
class Settings;

// The title screen: the banner among ten blinking hearts, the speed options, START and EXIT.
//
// Its controls keep the object names by which tests and tools find them (all laid out in title_screen.ui):
//
//   Form1                   this window
//   Image1                  the title banner
//   Image2_0 … Image2_9     the ten hearts, blinking in two halves
//   Label2_0 … Label2_9     the stars behind the hearts
//   Option1_0, _1, _2       speed options おそい, ふつう, はやい
//   Command1, Command2      START and EXIT
//   listCaption             the chooser's caption, 単語リスト, just above it
//   listChooser             the word list that START plays, by name, and the way to pick another
//   listNotice              one line about the lists: a remembered list that has gone, a file that cannot be played
//   recordsButton           成績: the history of the chosen list and speed, and practice on its missed words
//   settingsButton          設定: the sounds and what else the player may switch for every game
//   Timer1                  blink clock (blinkClock), 500 ms
class TitleScreen : public QWidget
{
    Q_OBJECT

public:
    // The lists on offer and the one chosen, which the player picks here by the chooser, a file dialog or a drop, and
    // which START plays; the settings only for what they have to say. Without offersChoice the window has no chooser
    // and takes no drops, and START plays whatever lists has chosen; without offersRecords there is no 成績.
    TitleScreen(ListChoice& lists, const Settings& settings, bool offersChoice, bool offersRecords,
                QWidget* parent = nullptr);
    ~TitleScreen() override;

    // The farewell shown by EXIT, exactly as the player reads it.
    static QString farewellText();

    // Which half of the hearts the next blink step lights: 0 the odd ones, 1 the even ones.
    std::int16_t blinkPhase = 0;

    SpeedLevel chosenSpeed() const;
    // One more line for the notice, beside what the lists and the settings have to say, until the next choice of a
    // list: what became of the game the player just left, for instance.
    void addNotice(const QString& line);

public Q_SLOTS:
    // Asks for a game on the chosen list at the chosen speed, as START does (with practiceWords, a practice on those
    // words), then closes this window once the game screen is up.
    void startWith(std::vector<std::u16string> practiceWords);

Q_SIGNALS:
    // START: the speed options as they stand now, read by the game at its first start.
    void startRequested(bool slow, bool normal, bool fast, const std::vector<std::u16string>& practiceWords);
    // 成績: the history of the chosen list at the chosen speed.
    void recordsRequested(SpeedLevel speed);
    // 設定: the settings window.
    void settingsRequested();
    // EXIT was pressed and the farewell read: the process ends as soon as this returns.
    void leaving();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Every time the window shows, a chosen list whose file has gone since the chooser was filled leaves it, and the
    // notice line says so.
    void showEvent(QShowEvent* event) override;
    // START and EXIT show a frame while they have the focus, so a keyboard player sees what Enter will press: only
    // while this window is the active one, since only then do keys come to it.
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Tab goes START → EXIT → the chosen speed (→ the list chooser → 成績) → 設定 → START, as Tab into an option group
    // lands on its chosen option.
    bool focusNextPrevChild(bool next) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private Q_SLOTS:
    void blinkStep();
    void start();
    void showRecords();
    void exitProgram();
    void listPicked(int index);
    void focusMoved(QWidget* from, QWidget* to);

private:
    void sayFarewellAndEnd();
    // Fills the chooser from the lists on offer, the chosen one shown, and the notice line from the choice.
    void showLists();
    // The notice line: what the lists, the settings and addNotice have to say, or the one line given.
    void showNotice();
    void showNotice(const QString& line);
    void pickWithDialog();
    void chooseList(const std::filesystem::path& path);

    std::unique_ptr<Ui::TitleScreen> ui;
    ListChoice& lists;
    const Settings& settings;
    bool offersChoice;
    QString extraNotice;
    QTimer blinkClock;
    std::array<QLabel*, 10> hearts{};
    // START runs a word-list load that lets other clicks in; these keep such clicks from acting half-way through.
    // While it loads, a second START is ignored, closing this window is refused (START closes it itself), and EXIT
    // waits: once the game screen is up, the farewell shows over it and the program ends.
    bool starting = false;
    bool exitAfterStart = false;
};

} // namespace fururupo
