#pragma once

#include "logic/game_display.h"
#include "logic/typing_game.h"
#include "logic/word_list.h"

#include <filesystem>
#include <optional>
#include <string>

namespace fururupo {

// A display that shows nothing: the game's display while no game window exists.
class IdleDisplay final : public GameDisplay
{
public:
    void setPrompt(std::u16string_view) override {}
    void setExplanation(std::u16string_view) override {}
    void setStars(std::u16string_view) override {}
    void setSpeedCaption(std::u16string_view) override {}
    void setInputText(std::u16string_view) override {}
    void setCountdownClock(bool) override {}
    void setWordClock(bool) override {}
};

// The game and its word list, which outlive every game window: each new game screen takes over as the display, and
// a game screen that goes away hands the display back so that the game never points at a destroyed window.
class GameSession
{
    // Declared first: the game below is built with them.
    std::filesystem::path wordFilePath;
    std::u16string wordFileText;
    IdleDisplay idle;
    GameDisplay* current = &idle;

public:
    // wordFolder holds MSG.txt; the program passes its own folder, tests a folder of their own. Without a folder the
    // word file is an empty path, which every load reports missing: nothing is read from the current folder.
    explicit GameSession(const std::optional<std::filesystem::path>& wordFolder);
    GameSession(const GameSession&) = delete;
    GameSession& operator=(const GameSession&) = delete;

    // The path the load opens, as bytes, and as the player reads it.
    const std::filesystem::path& wordFile() const { return wordFilePath; }
    const std::u16string& wordFileShown() const { return wordFileText; }

    void attach(GameDisplay& display);
    void detach(GameDisplay& display);

    WordList words;
    TypingGame game;
};

} // namespace fururupo
