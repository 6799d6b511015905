#include "screens/game_screen.h"

#include "platform/program_folder.h"
#include "platform/rnd.h"
#include "player/list_choice.h"
#include "screens/application.h"
#include "screens/list_picking.h"
#include "screens/text_and_placement.h"
#include "screens/title_screen.h"
#include "ui_game_screen.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>

namespace fururupo {

namespace {

void setUpClock(QTimer& clock, QObject* owner, const char* name)
{
    clock.setParent(owner);
    clock.setObjectName(QString::fromLatin1(name));
    clock.setTimerType(Qt::PreciseTimer);
    clock.setInterval(1000);
}

// A list named relative to nowhere is the bundled list of a program whose folder is unknown: reading it would read
// whatever folder the game was started from.
std::filesystem::path wordFileOf(const ListFile& list)
{
    return list.path.is_relative() ? std::filesystem::path() : list.path;
}

std::u16string shownPath(const std::filesystem::path& path)
{
    return path.empty() ? std::u16string(u"（実行ファイルのフォルダがわかりません）") : displayPath(path);
}

} // namespace

GameScreen::GameScreen(const std::filesystem::path& wordFolder, bool slow, bool normal, bool fast, QWidget* parent)
    : GameScreen(fixedListChoice(wordFolder), false, slow, normal, fast, parent)
{
}

GameScreen::GameScreen(std::shared_ptr<ListChoice> lists, bool offersChoice, bool slow, bool normal, bool fast,
                       QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::GameScreen>()), lists(std::move(lists)), offersChoice(offersChoice),
      wordFile(wordFileOf(this->lists->chosen())), wordFileShown(shownPath(wordFile)),
      typingGame(*this, words, &rnd, wordFileShown), slow(slow), normal(normal), fast(fast)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    // Hidden until a load has something to say.
    ui->loadFailureLine->hide();

    setUpClock(countdownClock, this, "Timer1");
    setUpClock(wordClock, this, "Timer2");
    connect(&countdownClock, &QTimer::timeout, this, [this] { guarded([this] { typingGame.countdownTick(); }); });
    connect(&wordClock, &QTimer::timeout, this, [this] { guarded([this] { typingGame.wordClockTick(); }); });
    connect(ui->Text1, &InputBox::keyDown, this, [this](const QString& text) {
        if (!closing)
            guarded([&] { typingGame.checkInput(text.toStdU16String()); });
    });
    connect(ui->Label6, &ClickableLabel::clicked, this, &GameScreen::playAgain);
    connect(ui->Label3, &ClickableLabel::clicked, this, &GameScreen::goBack);

    // The countdown clock runs from creation; the game start switches it off and on again.
    countdownClock.start();
    ui->Text1->setFocus();
    setAcceptDrops(offersChoice);
    centreOnScreen(*this);

    startGame();
}

GameScreen::~GameScreen() = default;

void GameScreen::setPrompt(std::u16string_view text)
{
    ui->Label4->setText(captionText(text));
    // A reading belongs to one word: it goes with the prompt and comes back only through setReading.
    ui->wordReading->clear();
    // The input box knows what to type for the word (for the final ん and the romaji guide), and only for a drawn
    // word: its reading where it has one, else the word as shown.
    ui->Text1->setWord(typingGame.wordOnDisplay() ? std::u16string_view(typingGame.answer()) : std::u16string_view());
}

// The game sets its answer before the prompt, so setPrompt has already given the box the reading to type.
void GameScreen::setReading(std::u16string_view text)
{
    ui->wordReading->setText(captionText(text));
}

void GameScreen::setExplanation(std::u16string_view text)
{
    ui->Label5->setText(captionText(text));
}

void GameScreen::setStars(std::u16string_view text)
{
    ui->Label2->setText(captionText(text));
}

void GameScreen::setSpeedCaption(std::u16string_view text)
{
    ui->Label1->setText(captionText(text));
}

void GameScreen::setInputText(std::u16string_view text)
{
    ui->Text1->resetText(qtext(text));
}

// Switching on a clock that already runs leaves it running on its own beat: restarting it would carry each tick's
// lateness into the next, and a minute of time-up would drift by tens of milliseconds.
void GameScreen::setCountdownClock(bool on)
{
    if (!on)
        countdownClock.stop();
    else if (!countdownClock.isActive())
        countdownClock.start();
}

void GameScreen::setWordClock(bool on)
{
    if (!on)
        wordClock.stop();
    else if (!wordClock.isActive())
        wordClock.start();
}

void GameScreen::yieldToEvents()
{
    QCoreApplication::processEvents();
}

// The line is built by plain concatenation: a path or a file's text is shown as it is, never read as a pattern.
void GameScreen::reportLoadFailure(std::int32_t count, LoadFailure why)
{
    showLine(qtext(describeLoadFailure(why, count, wordFileShown)) + QStringLiteral("（読めた行：") +
             QString::number(count) + QStringLiteral("）"));
}

void GameScreen::reportUnreadableText(std::int32_t line)
{
    showLine(qtext(describeUnreadableText(line, wordFileShown)));
}

void GameScreen::reportBadLine(std::int32_t line, LineProblem why)
{
    // An unreadable-text line, if any, came first and stays: it usually explains the bad line too.
    if (ui->loadFailureLine->isVisible() || !ui->loadFailureLine->text().isEmpty())
        return;
    showLine(qtext(describeBadLine(line, why, wordFileShown)));
}

std::int32_t GameScreen::getFile()
{
    loading = true;
    std::int32_t count = 0;
    try {
        count = loadWordList(words, wordFile, *this);
    } catch (...) {
        loading = false;
        throw;
    }
    loading = false;
    // Clicks that came in during the load act only now, after the handler that started the load has returned.
    if (deferred != Deferred::None)
        QMetaObject::invokeMethod(this, &GameScreen::runDeferred, Qt::QueuedConnection);
    return count;
}

void GameScreen::startGame()
{
    ui->loadFailureLine->hide();
    ui->loadFailureLine->clear();
    // The list is read afresh at every start, and it is the one chosen now.
    const ListFile& chosen = lists->chosen();
    wordFile = wordFileOf(chosen);
    wordFileShown = shownPath(wordFile);
    typingGame.setWordFile(chosen.name, wordFileShown);
    // Every game starts in hiragana, whatever mode the last one ended in.
    ui->Text1->setMode(InputBox::Mode::Hiragana);
    guarded([this] { typingGame.startGame(slow, normal, fast, [this] { return getFile(); }); });
}

bool GameScreen::heldBack(Deferred action)
{
    if (closing)
        return true;
    if (loading)
        defer(action);
    return loading;
}

void GameScreen::playAgain()
{
    if (heldBack(Deferred::PlayAgain))
        return;
    startGame();
}

void GameScreen::goBack()
{
    if (heldBack(Deferred::GoBack))
        return;
    auto* titleScreen = new TitleScreen(lists, offersChoice);
    titleScreen->show();
    close();
}

void GameScreen::defer(Deferred action)
{
    // Only one of the clicks that wait for a load is acted on. 帰る wins over everything: the player asked to leave,
    // and leaving shows the title screen. Closing the window comes next: it leaves too, only without a title screen.
    // 延長 comes last, since either of the others would throw its new game away at once.
    const auto rank = [](Deferred a) {
        switch (a) {
        case Deferred::None:
            return 0;
        case Deferred::PlayAgain:
            return 1;
        case Deferred::Close:
            return 2;
        case Deferred::GoBack:
            return 3;
        }
        return 0;
    };
    if (rank(action) > rank(deferred))
        deferred = action;
}

void GameScreen::runDeferred()
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

void GameScreen::stopClocks()
{
    countdownClock.stop();
    wordClock.stop();
}

void GameScreen::showLine(const QString& line)
{
    ui->loadFailureLine->setText(line);
    ui->loadFailureLine->show();
}

void GameScreen::dragEnterEvent(QDragEnterEvent* event)
{
    if (offersChoice && mayBeAList(event->mimeData()))
        event->acceptProposedAction();
}

// A dropped list is chosen and played at once, as 延長 would play it; one that cannot be played leaves the game as
// it is, with a line saying why.
void GameScreen::dropEvent(QDropEvent* event)
{
    const DroppedList dropped = droppedList(event->mimeData());
    event->acceptProposedAction();
    if (!dropped.refusal.isEmpty()) {
        showLine(dropped.refusal);
        return;
    }
    if (!lists->choose(dropped.path)) {
        showLine(qtext(lists->notice()));
        return;
    }
    // A choice that could not be remembered still plays; the title screen says it was not kept.
    playAgain();
}

void GameScreen::closeEvent(QCloseEvent* event)
{
    // Never go away while the load is on the stack: the rest of the game start still writes to this window.
    if (loading) {
        event->ignore();
        defer(Deferred::Close);
        return;
    }
    closing = true;
    stopClocks();
    event->accept();
}

} // namespace fururupo
