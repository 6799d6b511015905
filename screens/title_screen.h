#pragma once

#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>

class QCloseEvent;
class QPaintEvent;
class QLabel;

namespace Ui {
class TitleScreen;
}

namespace fururupo {

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
//   Timer1                  blink clock (blinkClock), 500 ms
class TitleScreen : public QWidget
{
    Q_OBJECT

public:
    // wordFolder holds the MSG.txt that START plays; the title screen only hands it on to the game screen.
    explicit TitleScreen(std::filesystem::path wordFolder, QWidget* parent = nullptr);
    ~TitleScreen() override;

    // The farewell shown by EXIT, exactly as the player reads it.
    static QString farewellText();

    // Which half of the hearts the next blink step lights: 0 the odd ones, 1 the even ones.
    std::int16_t blinkPhase = 0;

protected:
    void closeEvent(QCloseEvent* event) override;
    // START and EXIT show a frame while they have the focus, so a keyboard player sees what Enter will press.
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Tab goes START → EXIT → the chosen speed → START, as Tab into an option group lands on its chosen option.
    bool focusNextPrevChild(bool next) override;

private Q_SLOTS:
    void blinkStep();
    void start();
    void exitProgram();

private:
    void sayFarewellAndEnd();

    std::unique_ptr<Ui::TitleScreen> ui;
    std::filesystem::path wordFolder;
    QTimer blinkClock;
    std::array<QLabel*, 10> hearts{};
    // START runs a word-list load that lets other clicks in; these keep such clicks from acting half-way through.
    // While it loads, a second START is ignored, closing this window is refused (START closes it itself), and EXIT
    // waits: once the game screen is up, the farewell shows over it and the program ends.
    bool starting = false;
    bool exitAfterStart = false;
};

} // namespace fururupo
