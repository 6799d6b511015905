#pragma once

#include "logic/game_display.h"
#include "logic/key_slips.h"
#include "logic/next_key.h"
#include "logic/typing_game.h"
#include "logic/word_list.h"
#include "player/list_identity.h"

#include <QTimer>
#include <QWidget>

#include <QByteArray>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;

namespace Ui {
class GameScreen;
}

namespace fururupo {

class GameSounds;
class ListChoice;
class RecordsStore;
struct GameRecord;

// The game screen: it owns one game and its word list, drives the game with its two clocks and the input box's
// key-downs, shows what the game assigns, and offers "延長" (play again) and "帰る" (back to the title screen).
//
// Its controls keep the object names by which tests and tools find them (all laid out in game_screen.ui):
//
//   Form2            this window
//   Label1           speed caption (おそい, ふつう, はやい)
//   Label2           stars earned
//   Label3           "帰る": back to the title screen
//   Label4           prompt: the countdown, the word to type, the time-up and record messages
//   wordReading      the kana reading of a word written in kanji, small above it
//   Label5           explanation of the word
//   Label6           "延長": start the game again
//   Text1            input box
//   loadFailureLine  why the last load gave no words, which line held unreadable characters, or that this is practice
//   resultsPanel     after the 21st word: keys, mistakes, accuracy, the slowest word and the best record
//   keyboardView     the keyboard picture, in a strip below the designed window while F2 shows it
//   Timer1           countdown clock (countdownClock), 1 s
//   Timer2           word clock (wordClock), 1 s
class GameScreen : public QWidget, public GameDisplay, public LoadHooks
{
    Q_OBJECT

public:
    // Starts the first game at once, on the list that lists has chosen, with the speed flags of the title screen's
    // options; every "延長" replays with the same flags, so the player keeps the speed chosen, and reads the chosen
    // list afresh. With offersChoice a file dropped on the window becomes the chosen list and starts a new game.
    //
    // Every finished game, and every game left or started again after at least one word, is kept in records before
    // its results show. With practiceWords the games draw only from those words of the list (a practice on missed
    // words), and are kept as practice.
    //
    // Its sounds are played through sounds, opened at every game start; F3 switches them all on or off.
    GameScreen(ListChoice& lists, RecordsStore& records, GameSounds& sounds, bool offersChoice, bool slow, bool normal,
               bool fast, std::vector<std::u16string> practiceWords = {}, QWidget* parent = nullptr);
    ~GameScreen() override;

    // The game being played, for reading its state.
    const TypingGame& game() const { return typingGame; }

    // The keyboard picture below the input box: shown, the window grows by its strip and every other control keeps
    // its place; hidden, the window is exactly as designed. F2 switches it (and says so by keyboardToggled); it
    // lights the next key of the word on display and, after a slip, the key pressed instead.
    void showKeyboard(bool on);
    bool keyboardShown() const { return keyboardOn; }
    void setKeyboardLayout(KeyboardLayout layout);

    void setPrompt(std::u16string_view text) override;
    void setReading(std::u16string_view text) override;
    void setExplanation(std::u16string_view text) override;
    void setStars(std::u16string_view text) override;
    void setSpeedCaption(std::u16string_view text) override;
    void setInputText(std::u16string_view text) override;
    void setCountdownClock(bool on) override;
    void setWordClock(bool on) override;
    void gameFinished() override;

    void yieldToEvents() override;
    void reportLoadFailure(std::int32_t count, LoadFailure why) override;
    void reportUnreadableText(std::int32_t line) override;
    void reportBadLine(std::int32_t line, LineProblem why) override;
    void bytesRead(std::string_view bytes) override;

    // Fills the word list from the chosen list and returns the number of entries (0 after a failure, which is shown).
    std::int32_t getFile();

Q_SIGNALS:
    // 帰る: the title screen is wanted back; this window closes itself right after. notice says what became of the
    // game left, when it could not be kept, for the screen the player lands on.
    void backRequested(const QString& notice);
    // F2 showed or hid the keyboard picture.
    void keyboardToggled(bool shown);
    // The player's key (Alt + カタカナ/ひらがな) switched kana input on or off.
    void kanaInputSwitched(bool on);

protected:
    // F2 on the input box switches the keyboard picture and F3 every sound; the box still takes either as a
    // key-down, as it takes F1.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private Q_SLOTS:
    void playAgain();
    void goBack();
    void runDeferred();

private:
    // What a click asked for while the word list was loading; done once the load has returned.
    enum class Deferred { None, PlayAgain, Close, GoBack };

    void startGame();
    void defer(Deferred action);
    // True when a click must not act now: the window is closing, or the load is running and the action waits for it.
    bool heldBack(Deferred action);
    void stopClocks();
    void showLine(const QString& line);
    // Keeps only the practice words among the entries loaded; the number kept, or count when none of them is there.
    std::int32_t keepPracticeWords(std::int32_t count);
    GameRecord recordOfThisGame(bool finished) const;
    // Keeps a game left or started again after at least one word, unless it was kept already; what went wrong, for
    // the player, or empty.
    QString keepUnfinishedGame();
    void keepAndShowResults(const GameRecord& record, int game);
    // Follows the box's latest change, shown or not: lights on the keyboard picture what it calls for, and counts a
    // key just judged against the key that was next to press.
    void followTyping(const std::optional<PressedKey>& pressed);

    std::unique_ptr<Ui::GameScreen> ui;
    ListChoice& lists;
    RecordsStore& records;
    GameSounds& sounds;
    // The stars last shown, and whether the key being handled earned one (its sound is the star's, not a click).
    std::size_t starsShown = 0;
    bool starEarned = false;
    bool offersChoice;
    std::vector<std::u16string> practiceWords;
    // The chosen list as the history knows it, worked out from the bytes each game start reads.
    ListIdentity readIdentity;
    QByteArray listHash;
    std::u16string listName;
    // Counts the games started on this screen, so that results worked out for one game never show on the next.
    int gameNumber = 0;
    bool gameKept = false;
    // The list being read, taken from the choice at every game start. Declared before the game, which is built
    // with them.
    std::filesystem::path wordFile;
    std::u16string wordFileShown;
    WordList words;
    TypingGame typingGame;
    QTimer countdownClock;
    QTimer wordClock;
    bool slow;
    bool normal;
    bool fast;
    bool loading = false;
    bool closing = false;
    // The window's size as designed, without the keyboard strip.
    QSize designedSize;
    bool keyboardOn = false;
    KeyboardCoach coach;
    // The keys of this game against the keys expected. A key is judged in three steps, as the box announces it: on
    // its key-down, the key that was next to press (none while the box holds a mistake); once taken, what the game's
    // tally made of it; and when the box says where the player now stands, with the key that was pressed, it is
    // counted (see followTyping).
    KeySlipTally keySlips;
    enum class KeyJudged : std::uint8_t { None, Good, Mistake, Correction };
    struct KeyBeingJudged
    {
        std::optional<KeyboardKey> expected;
        bool composing = false;
        KeyJudged judged = KeyJudged::None;
    };
    KeyBeingJudged keyBeingJudged;
    Deferred deferred = Deferred::None;
};

} // namespace fururupo
