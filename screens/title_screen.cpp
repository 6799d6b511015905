#include "screens/title_screen.h"

#include "screens/game_screen.h"
#include "screens/runtime.h"
#include "ui_title_screen.h"

#include <QCloseEvent>
#include <QMessageBox>

namespace fururupo {

Form1::Form1(GameSession& session, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::Form1>()), session(session)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    hearts = {ui->Image2_0, ui->Image2_1, ui->Image2_2, ui->Image2_3, ui->Image2_4,
              ui->Image2_5, ui->Image2_6, ui->Image2_7, ui->Image2_8, ui->Image2_9};

    Timer1.setParent(this);
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setTimerType(Qt::PreciseTimer);
    Timer1.setInterval(500);
    connect(&Timer1, &QTimer::timeout, this, &Form1::blinkStep);
    connect(ui->Command1, &QPushButton::clicked, this, &Form1::start);
    connect(ui->Command2, &QPushButton::clicked, this, &Form1::exitProgram);

    blinkPhase = 0;
    Timer1.start();
    ui->Command1->setFocus();
    centreOnScreen(*this);
}

Form1::~Form1() = default;

QString Form1::farewellText()
{
    return QStringLiteral("\r\n     ありがとうございました。    \r\n またのご来店お待ちしております。");
}

void Form1::blinkStep()
{
    if (blinkPhase == 1) {
        for (int i = 0; i < 10; i += 2)
            hearts[i]->setVisible(true);
        for (int i = 1; i < 10; i += 2)
            hearts[i]->setVisible(false);
        blinkPhase = 0;
    } else {
        for (int i = 0; i < 10; i += 2)
            hearts[i]->setVisible(false);
        for (int i = 1; i < 10; i += 2)
            hearts[i]->setVisible(true);
        blinkPhase = 1;
    }
}

void Form1::start()
{
    // A second START while the first is still loading the word list would open a second game screen.
    if (starting)
        return;
    starting = true;
    // The game screen starts its first game as it is built, reading the options as they stand now.
    auto* gameScreen =
        new Form2(session, ui->Option1_0->isChecked(), ui->Option1_1->isChecked(), ui->Option1_2->isChecked());
    gameScreen->show();
    starting = false;
    close();
    if (exitAfterStart)
        sayFarewellAndEnd();
}

void Form1::exitProgram()
{
    if (starting) {
        exitAfterStart = true;
        return;
    }
    sayFarewellAndEnd();
}

void Form1::sayFarewellAndEnd()
{
    QMessageBox farewell(QMessageBox::NoIcon, QStringLiteral("ふるるぽ"), farewellText(), QMessageBox::Ok);
    farewell.exec();
    endProcess(0);
}

void Form1::closeEvent(QCloseEvent* event)
{
    // START closes this screen itself once the game screen is up; closing it under the load would pull the window
    // out from under the handler that is still running.
    if (starting) {
        event->ignore();
        return;
    }
    Timer1.stop();
    event->accept();
}

} // namespace fururupo
