#include "screens/title_screen.h"

#include "screens/application.h"
#include "screens/game_screen.h"
#include "screens/text_and_placement.h"
#include "ui_title_screen.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPen>
#include <QRadioButton>

#include <utility>

namespace fururupo {

TitleScreen::TitleScreen(std::filesystem::path wordFolder, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TitleScreen>()), wordFolder(std::move(wordFolder))
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    hearts = {ui->Image2_0, ui->Image2_1, ui->Image2_2, ui->Image2_3, ui->Image2_4,
              ui->Image2_5, ui->Image2_6, ui->Image2_7, ui->Image2_8, ui->Image2_9};

    blinkClock.setParent(this);
    blinkClock.setObjectName(QStringLiteral("Timer1"));
    blinkClock.setTimerType(Qt::PreciseTimer);
    blinkClock.setInterval(500);
    connect(&blinkClock, &QTimer::timeout, this, &TitleScreen::blinkStep);
    connect(ui->Command1, &QPushButton::clicked, this, &TitleScreen::start);
    connect(ui->Command2, &QPushButton::clicked, this, &TitleScreen::exitProgram);
    for (QPushButton* button : {ui->Command1, ui->Command2}) {
        // Enter presses the focused button as Space does (outside a dialog a button takes only Space by itself).
        button->setAutoDefault(true);
        button->installEventFilter(this);
    }

    blinkPhase = 0;
    blinkClock.start();
    ui->Command1->setFocus();
    centreOnScreen(*this);
}

TitleScreen::~TitleScreen() = default;

QString TitleScreen::farewellText()
{
    return QStringLiteral("\r\n     ありがとうございました。    \r\n またのご来店お待ちしております。");
}

void TitleScreen::blinkStep()
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

void TitleScreen::start()
{
    // A second START while the first is still loading the word list would open a second game screen.
    if (starting)
        return;
    starting = true;
    // The game screen starts its first game as it is built, reading the options as they stand now.
    auto* gameScreen =
        new GameScreen(wordFolder, ui->Option1_0->isChecked(), ui->Option1_1->isChecked(), ui->Option1_2->isChecked());
    gameScreen->show();
    starting = false;
    close();
    if (exitAfterStart)
        sayFarewellAndEnd();
}

void TitleScreen::exitProgram()
{
    if (starting) {
        exitAfterStart = true;
        return;
    }
    sayFarewellAndEnd();
}

void TitleScreen::sayFarewellAndEnd()
{
    QMessageBox farewell(QMessageBox::NoIcon, QStringLiteral("ふるるぽ"), farewellText(), QMessageBox::Ok);
    farewell.exec();
    endProcess(0);
}

bool TitleScreen::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        update();
    return QWidget::eventFilter(watched, event);
}

void TitleScreen::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    QWidget* focused = focusWidget();
    if (focused != ui->Command1 && focused != ui->Command2)
        return;
    // Deep violet reads on the window's pink and on the buttons' own: a frame just outside the button, so the
    // picture itself is drawn as ever.
    QPainter painter(this);
    painter.setPen(QPen(QColor(72, 0, 120), 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(focused->geometry()).adjusted(-3.5, -3.5, 3.5, 3.5));
}

bool TitleScreen::focusNextPrevChild(bool next)
{
    QWidget* chosenSpeed = ui->Option1_0;
    for (QRadioButton* option : {ui->Option1_0, ui->Option1_1, ui->Option1_2}) {
        if (option->isChecked())
            chosenSpeed = option;
    }
    QWidget* const order[] = {ui->Command1, ui->Command2, chosenSpeed};
    QWidget* focused = focusWidget();
    int at = 0;
    if (focused == ui->Command2)
        at = 1;
    else if (focused == ui->Option1_0 || focused == ui->Option1_1 || focused == ui->Option1_2)
        at = 2;
    else if (focused != ui->Command1)
        return QWidget::focusNextPrevChild(next);
    order[(at + (next ? 1 : 2)) % 3]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void TitleScreen::closeEvent(QCloseEvent* event)
{
    // START closes this screen itself once the game screen is up; closing it under the load would pull the window
    // out from under the handler that is still running.
    if (starting) {
        event->ignore();
        return;
    }
    blinkClock.stop();
    event->accept();
}

} // namespace fururupo
