#pragma once

#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

class QCloseEvent;
class QLabel;

namespace Ui {
class Form1;
}

namespace fururupo {

class GameSession;

// The title screen: the banner among ten blinking hearts, the speed options, START and EXIT.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    explicit Form1(GameSession& session, QWidget* parent = nullptr);
    ~Form1() override;

    // The farewell shown by EXIT, exactly as the player reads it.
    static QString farewellText();

    // Which half of the hearts the next blink step lights: 0 the odd ones, 1 the even ones.
    std::int16_t blinkPhase = 0;

protected:
    void closeEvent(QCloseEvent* event) override;

private Q_SLOTS:
    void blinkStep();
    void start();
    void exitProgram();

private:
    void sayFarewellAndEnd();

    std::unique_ptr<Ui::Form1> ui;
    GameSession& session;
    QTimer Timer1;
    std::array<QLabel*, 10> hearts{};
    // START runs a word-list load that lets other clicks in; these keep such clicks from acting half-way through.
    bool starting = false;
    bool exitAfterStart = false;
};

} // namespace fururupo
