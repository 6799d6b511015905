#pragma once

#include "logic/game_display.h"
#include "logic/word_list.h"

#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>

class QCloseEvent;
class QLabel;

namespace Ui {
class Form2;
}

namespace fururupo {

class GameSession;

// The game screen: shows the game it is handed, drives it with its two clocks and the input box's key-downs, and
// offers "延長" (play again) and "帰る" (back to the title screen).
class Form2 : public QWidget, public GameDisplay, public LoadHooks
{
    Q_OBJECT

public:
    // Starts the first game at once, with the speed flags of the title screen's options; every "延長" replays with
    // the same flags, so the player keeps the speed chosen.
    Form2(GameSession& session, bool slow, bool normal, bool fast, QWidget* parent = nullptr);
    ~Form2() override;

    void setPrompt(std::u16string_view text) override;
    void setExplanation(std::u16string_view text) override;
    void setStars(std::u16string_view text) override;
    void setSpeedCaption(std::u16string_view text) override;
    void setInputText(std::u16string_view text) override;
    void setCountdownClock(bool on) override;
    void setWordClock(bool on) override;

    void yieldToEvents() override;
    void reportLoadFailure(std::int32_t count, LoadFailure why) override;
    void reportUnreadableText(std::int32_t line) override;

    // Fills the word list from MSG.txt and returns the number of entries (0 after a failure, which is shown).
    std::int32_t getFile();

protected:
    void closeEvent(QCloseEvent* event) override;

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

    std::unique_ptr<Ui::Form2> ui;
    GameSession& session;
    QTimer Timer1;
    QTimer Timer2;
    // Shows why the last load stored no words, or which line held unreadable characters; it stays until the next
    // game start.
    QLabel* loadFailureLine = nullptr;
    bool slow;
    bool normal;
    bool fast;
    bool loading = false;
    bool closing = false;
    Deferred deferred = Deferred::None;
};

} // namespace fururupo
