#pragma once

#include "logic/keyboard_layout.h"
#include "logic/typing_game.h"
#include "player/list_choice.h"
#include "player/records_store.h"
#include "player/settings.h"
#include "screens/game_sounds.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QApplication;
class QWidget;

namespace fururupo {

class GameScreen;
class RecordsScreen;
class SettingsScreen;
class TitleScreen;

// The game as one object: it owns what outlives a window (the list choice, the settings, the history of games and
// the sounds),
// and opens and closes the windows when they ask, so that no window builds another. The title screen asks for a game
// (START) and for the 成績 window; the game screen asks for the title screen back (帰る); the 成績 window asks for a
// practice, which goes through the title screen's START so that it reads the speed chosen there.
//
// The windows it opens hold references to what it owns: it deletes those still open before it goes.
class GameApp : public QObject
{
    Q_OBJECT

public:
    // The game as a player runs it: the lists beside the program and in the data folders, the choice and the settings
    // remembered in settingsFile, the games kept in recordsFile (empty file names keep nothing).
    GameApp(ListFolders folders, QString settingsFile, QString recordsFile);
    // The game on the MSG.txt of one folder alone, the windows as they were before lists could be chosen: nothing to
    // choose, nothing remembered, no history and no 成績.
    explicit GameApp(const std::filesystem::path& wordFolder);
    ~GameApp() override;

    // Opens a title screen: at start-up, and when a game screen asks for it back.
    TitleScreen* showTitle();
    // Opens a game screen whose first game starts at once with these speed flags, as the title screen's START does;
    // with practiceWords, a practice on those words. Closes the 成績 window.
    GameScreen* startGame(bool slow, bool normal, bool fast, const std::vector<std::u16string>& practiceWords = {});
    // Opens the 成績 window on the chosen list at this speed, in place of one already open.
    RecordsScreen* showRecords(SpeedLevel speed);
    // Opens the 設定 window, or brings the one open to the front.
    SettingsScreen* showSettings();

    ListChoice& lists() { return choice; }
    Settings& settings() { return kept; }
    RecordsStore& records() { return store; }
    GameSounds& sounds() { return gameSounds; }

private:
    template <class Window> Window* opened(Window* window);
    // The keyboard the settings choose, or else the desktop's.
    KeyboardLayout keyboardAsSet() const;
    // Gives a game screen the keyboard picture as the settings hold it.
    void showKeyboardAsSet(GameScreen& screen);
    // Takes up what the 設定 window changed: the sounds, kana input, and the keyboard picture of an open game.
    void applySettings();

    Settings kept;
    RecordsStore store;
    ListChoice choice;
    GameSounds gameSounds;
    bool offersChoice;
    bool keepsRecords;
    QPointer<TitleScreen> title;
    QPointer<RecordsScreen> recordsWindow;
    QPointer<SettingsScreen> settingsWindow;
    std::vector<QPointer<QWidget>> windows;
};

// The whole program after setUpRuntime: the title screen offering the lists beside the executable and in the data
// folders, with the list remembered from the last run chosen (or listFile, when given), then the event loop.
// titleShown, when given, is called with the title screen right after it is first shown.
int runGame(QApplication& app, const std::function<void(QWidget& titleScreen)>& titleShown = {},
            const std::optional<std::filesystem::path>& listFile = std::nullopt);

} // namespace fururupo
