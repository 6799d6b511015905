#pragma once

#include <QWidget>

#include <memory>

class QKeyEvent;

namespace Ui {
class SettingsScreen;
}

namespace fururupo {

class Settings;

// The 設定 window: what the player may switch for every game, each change remembered at once. It closes on 閉じる or
// Escape and deletes itself when closed.
//
// Its controls, found by object name (laid out in settings_screen.ui):
//
//   settingsWindow         this window, titled 設定
//   soundOnBox             every sound on or off (F3 on the game screen does the same)
//   keyClickBox            the click of each key
//   otherSoundsBox         every other sound: a slip, a word answered, the countdown, the time-up, the record
//   volumeSlider           the volume of every sound, 0 to 100
//   kanaInputBox           kana input (each key its kana, JIS かな入力) instead of romaji
//   keyboardShownBox       the keyboard picture on the game screen (F2 does the same)
//   keyboardLayoutChooser  the keyboard drawn: the desktop's, the Japanese 109-key or the US 104-key one
//   closeButton            back to the title screen
class SettingsScreen : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsScreen(Settings& settings, QWidget* parent = nullptr);
    ~SettingsScreen() override;

Q_SIGNALS:
    // A setting was changed and saved; whoever uses it takes it up again.
    void changed();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showSettings();

    std::unique_ptr<Ui::SettingsScreen> ui;
    Settings& settings;
};

} // namespace fururupo
