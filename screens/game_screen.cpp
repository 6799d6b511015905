#include "screens/game_screen.h"

#include "screens/game_session.h"
#include "screens/runtime.h"
#include "screens/title_screen.h"
#include "ui_game_screen.h"

#include <QCloseEvent>

namespace fururupo {

namespace {

void setUpClock(QTimer& clock, QObject* owner, const char* name)
{
    clock.setParent(owner);
    clock.setObjectName(QString::fromLatin1(name));
    clock.setTimerType(Qt::PreciseTimer);
    clock.setInterval(1000);
}

} // namespace

Form2::Form2(GameSession& session, bool slow, bool normal, bool fast, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::Form2>()), session(session), slow(slow), normal(normal), fast(fast)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);

    loadFailureLine = new QLabel(this);
    loadFailureLine->setObjectName(QStringLiteral("loadFailureLine"));
    loadFailureLine->setGeometry(16, 60, 804, 84);
    loadFailureLine->setWordWrap(true);
    loadFailureLine->setTextFormat(Qt::PlainText);
    loadFailureLine->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette failurePalette = loadFailureLine->palette();
    failurePalette.setColor(QPalette::WindowText, QColor(255, 255, 192));
    loadFailureLine->setPalette(failurePalette);
    loadFailureLine->hide();

    setUpClock(Timer1, this, "Timer1");
    setUpClock(Timer2, this, "Timer2");
    connect(&Timer1, &QTimer::timeout, this, [this] { this->session.game.countdownTick(); });
    connect(&Timer2, &QTimer::timeout, this, [this] { this->session.game.wordClockTick(); });
    connect(ui->Text1, &InputBox::keyDown, this, [this](const QString& text) {
        if (!closing)
            this->session.game.checkInput(text.toStdU16String());
    });
    connect(ui->Label6, &ClickableLabel::clicked, this, &Form2::playAgain);
    connect(ui->Label3, &ClickableLabel::clicked, this, &Form2::goBack);

    // The countdown clock runs from creation; the game start switches it off and on again.
    Timer1.start();
    ui->Text1->setFocus();
    centreOnScreen(*this);

    session.attach(*this);
    startGame();
}

Form2::~Form2()
{
    session.detach(*this);
}

void Form2::setPrompt(std::u16string_view text)
{
    ui->Label4->setText(captionText(text));
}

void Form2::setExplanation(std::u16string_view text)
{
    ui->Label5->setText(captionText(text));
}

void Form2::setStars(std::u16string_view text)
{
    ui->Label2->setText(captionText(text));
}

void Form2::setSpeedCaption(std::u16string_view text)
{
    ui->Label1->setText(captionText(text));
}

void Form2::setInputText(std::u16string_view text)
{
    ui->Text1->resetText(qtext(text));
}

// Switching on a clock that already runs leaves it running on its own beat: restarting it would carry each tick's
// lateness into the next, and a minute of time-up would drift by tens of milliseconds.
void Form2::setCountdownClock(bool on)
{
    if (!on)
        Timer1.stop();
    else if (!Timer1.isActive())
        Timer1.start();
}

void Form2::setWordClock(bool on)
{
    if (!on)
        Timer2.stop();
    else if (!Timer2.isActive())
        Timer2.start();
}

void Form2::yieldToEvents()
{
    QCoreApplication::processEvents();
}

// The line is built by plain concatenation: a path or a file's text is shown as it is, never read as a pattern.
void Form2::reportLoadFailure(std::int32_t count, LoadFailure why)
{
    loadFailureLine->setText(qtext(describeLoadFailure(why, count, session.wordFileShown())) +
                             QStringLiteral("（読めた行：") + QString::number(count) + QStringLiteral("）"));
    loadFailureLine->show();
}

void Form2::reportUnreadableText(std::int32_t line)
{
    loadFailureLine->setText(qtext(describeUnreadableText(line, session.wordFileShown())));
    loadFailureLine->show();
}

std::int32_t Form2::getFile()
{
    loading = true;
    std::int32_t count = 0;
    try {
        count = loadWordList(session.words, session.wordFile(), *this);
    } catch (...) {
        loading = false;
        throw;
    }
    loading = false;
    // Clicks that came in during the load act only now, after the handler that started the load has returned.
    if (deferred != Deferred::None)
        QMetaObject::invokeMethod(this, &Form2::runDeferred, Qt::QueuedConnection);
    return count;
}

void Form2::startGame()
{
    loadFailureLine->hide();
    loadFailureLine->clear();
    // Every game starts in hiragana, whatever mode the last one ended in.
    ui->Text1->setMode(InputBox::Mode::Hiragana);
    session.game.startGame(slow, normal, fast, [this] { return getFile(); });
}

bool Form2::heldBack(Deferred action)
{
    if (closing)
        return true;
    if (loading)
        defer(action);
    return loading;
}

void Form2::playAgain()
{
    if (heldBack(Deferred::PlayAgain))
        return;
    startGame();
}

void Form2::goBack()
{
    if (heldBack(Deferred::GoBack))
        return;
    auto* titleScreen = new Form1(session);
    titleScreen->show();
    close();
}

void Form2::defer(Deferred action)
{
    // Leaving outranks closing quietly, which outranks playing again.
    if (static_cast<int>(action) > static_cast<int>(deferred))
        deferred = action;
}

void Form2::runDeferred()
{
    if (loading || closing)
        return; // a later load is on the stack; its end queues this again
    const Deferred action = deferred;
    deferred = Deferred::None;
    switch (action) {
    case Deferred::None:
        break;
    case Deferred::PlayAgain:
        startGame();
        break;
    case Deferred::Close:
        close();
        break;
    case Deferred::GoBack:
        goBack();
        break;
    }
}

void Form2::stopClocks()
{
    Timer1.stop();
    Timer2.stop();
}

void Form2::closeEvent(QCloseEvent* event)
{
    // Never go away while the load is on the stack: the rest of the game start still writes to this window.
    if (loading) {
        event->ignore();
        defer(Deferred::Close);
        return;
    }
    closing = true;
    stopClocks();
    session.detach(*this);
    event->accept();
}

} // namespace fururupo
