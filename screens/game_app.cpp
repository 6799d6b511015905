#include "screens/game_app.h"

#include "platform/program_folder.h"
#include "player/list_identity.h"
#include "player/player_folders.h"
#include "screens/application.h"
#include "screens/desktop_keyboard.h"
#include "screens/game_screen.h"
#include "screens/input_box.h"
#include "screens/keyboard_view.h"
#include "screens/records_screen.h"
#include "screens/settings_screen.h"
#include "screens/text_and_placement.h"
#include "screens/title_screen.h"

#include <utility>

namespace fururupo {

namespace {

// How long the end of a run waits for a history file held by another program, for each game still to be saved.
constexpr int endOfRunWait = 2000;

} // namespace

GameApp::GameApp(ListFolders folders, QString settingsFile, QString recordsFile)
    : kept(std::move(settingsFile)), store(recordsFile), choice(std::move(folders), kept), gameSounds(kept),
      offersChoice(true), keepsRecords(!recordsFile.isEmpty())
{
    InputBox::setKanaInput(kept.value(kanaInputSetting));
}

GameApp::GameApp(const std::filesystem::path& wordFolder)
    : kept(QString()), store(QString()), choice(ListFolders{wordFolder, {}}, kept), gameSounds(kept),
      offersChoice(false), keepsRecords(false)
{
}

GameApp::~GameApp()
{
    for (const QPointer<QWidget>& window : windows)
        delete window.data();
    store.flush(endOfRunWait);
}

template <class Window> Window* GameApp::opened(Window* window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    std::erase_if(windows, [](const QPointer<QWidget>& gone) { return gone.isNull(); });
    windows.emplace_back(window);
    return window;
}

TitleScreen* GameApp::showTitle()
{
    auto* screen = opened(new TitleScreen(choice, kept, offersChoice, keepsRecords));
    connect(screen, &TitleScreen::startRequested, this,
            [this](bool slow, bool normal, bool fast, const std::vector<std::u16string>& practiceWords) {
                startGame(slow, normal, fast, practiceWords);
            });
    connect(screen, &TitleScreen::recordsRequested, this, &GameApp::showRecords);
    connect(screen, &TitleScreen::settingsRequested, this, &GameApp::showSettings);
    // EXIT ends the process at once: a game still waiting for the history's file gets its last chance first.
    connect(screen, &TitleScreen::leaving, this, [this] { store.flush(endOfRunWait); });
    title = screen;
    screen->show();
    return screen;
}

GameScreen* GameApp::startGame(bool slow, bool normal, bool fast, const std::vector<std::u16string>& practiceWords)
{
    // The game starts as its window is built (its list loads then), before it shows: the design's order.
    auto* screen = opened(new GameScreen(choice, store, gameSounds, offersChoice, slow, normal, fast, practiceWords));
    connect(screen, &GameScreen::backRequested, this, [this](const QString& notice) {
        TitleScreen* screen = showTitle();
        // What became of the game left, and a sound that failed while it was played, said once.
        QStringList lines{notice, gameSounds.takeNotice()};
        lines.removeAll(QString());
        if (!lines.isEmpty())
            screen->addNotice(lines.join(QStringLiteral("　")));
    });
    showKeyboardAsSet(*screen);
    connect(screen, &GameScreen::keyboardToggled, this,
            [this](bool shown) { kept.setValue(keyboardShownSetting, shown); });
    connect(screen, &GameScreen::kanaInputSwitched, this, [this](bool on) { kept.setValue(kanaInputSetting, on); });
    screen->show();
    if (recordsWindow)
        recordsWindow->close();
    return screen;
}

RecordsScreen* GameApp::showRecords(SpeedLevel speed)
{
    // One 成績 window at a time: a second press replaces the open one with one on what is chosen now.
    if (recordsWindow)
        recordsWindow->close();
    const ListFile& chosen = choice.chosen();
    const QByteArray identity = chosen.path.is_relative() ? QByteArray() : listIdentityOf(chosen.path);
    auto* window = opened(new RecordsScreen(store, identity, qtext(chosen.name), speed));
    // The key map draws the keyboard the game screen draws.
    window->setKeyboardLayout(keyboardAsSet());
    // A practice starts as START would, on the title screen's speed; without a title screen there is none to read.
    if (title) {
        connect(window, &RecordsScreen::practiceRequested, title.data(), &TitleScreen::startWith);
        // Beside the title screen where the screen has room, else over it; the title comes back when it closes.
        placeBeside(*window, *title);
        connect(window, &QObject::destroyed, title.data(), [screen = title.data()] {
            if (screen->isVisible()) {
                screen->raise();
                screen->activateWindow();
            }
        });
    }
    recordsWindow = window;
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

KeyboardLayout GameApp::keyboardAsSet() const
{
    // The keyboard chosen, or else the desktop's.
    switch (kept.value(keyboardLayoutSetting)) {
    case 1:
        return KeyboardLayout::Jis;
    case 2:
        return KeyboardLayout::Us;
    default:
        return desktopKeyboardLayout();
    }
}

void GameApp::showKeyboardAsSet(GameScreen& screen)
{
    screen.setKeyboardLayout(keyboardAsSet());
    screen.showKeyboard(kept.value(keyboardShownSetting));
}

void GameApp::applySettings()
{
    gameSounds.applySettings();
    if (InputBox::kanaInput() != kept.value(kanaInputSetting))
        InputBox::setKanaInput(kept.value(kanaInputSetting));
    for (const QPointer<QWidget>& window : windows)
        if (auto* screen = qobject_cast<GameScreen*>(window.data()))
            showKeyboardAsSet(*screen);
}

SettingsScreen* GameApp::showSettings()
{
    if (!settingsWindow) {
        settingsWindow = opened(new SettingsScreen(kept));
        connect(settingsWindow, &SettingsScreen::changed, this, &GameApp::applySettings);
    }
    settingsWindow->show();
    settingsWindow->raise();
    settingsWindow->activateWindow();
    return settingsWindow;
}

int runGame(QApplication& app, const std::function<void(QWidget& titleScreen)>& titleShown,
            const std::optional<std::filesystem::path>& listFile)
{
    // The bundled words lie beside the executable; where the system cannot say where that is, every load of them
    // says the file is missing rather than reading some other folder's. The history's file is opened only when a game
    // ends or 成績 is pressed.
    GameApp game(ListFolders::fromEnvironment(executableFolder().value_or(std::filesystem::path())), settingsFile(),
                 recordsFile());
    if (listFile) {
        // A list named on the command line is chosen as if picked; one that cannot be played is said so on the title
        // screen, over the list that would have played.
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(*listFile, error);
        game.lists().choose(error ? *listFile : absolute);
    }
    ForeignDestroyWatch destroyWatch;
    app.installNativeEventFilter(&destroyWatch);
    TitleScreen* titleScreen = game.showTitle();
    if (titleShown)
        titleShown(*titleScreen);
    const int status = app.exec();
    deleteAllWindows();
    // A request to quit can still be pending once the loop has ended (a second one, posted while it ended); handled
    // by a later pass of events, it would end every event loop run after this one at once, a message box's included.
    QCoreApplication::removePostedEvents(&app, QEvent::Quit);
    return status;
}

} // namespace fururupo
