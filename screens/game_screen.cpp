#include "screens/game_screen.h"

#include "logic/game_results.h"
#include "platform/program_folder.h"
#include "platform/rnd.h"
#include "player/list_choice.h"
#include "player/records_store.h"
#include "screens/application.h"
#include "screens/game_sounds.h"
#include "screens/list_picking.h"
#include "screens/notices.h"
#include "screens/text_and_placement.h"
#include "ui_game_screen.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QScreen>

#include <unordered_set>
#include <utility>

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

GameScreen::GameScreen(ListChoice& lists, RecordsStore& records, GameSounds& sounds, bool offersChoice, bool slow,
                       bool normal, bool fast, std::vector<std::u16string> practiceWords, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::GameScreen>()), lists(lists), records(records), sounds(sounds),
      offersChoice(offersChoice), practiceWords(std::move(practiceWords)), wordFile(wordFileOf(lists.chosen())),
      wordFileShown(shownPath(wordFile)), typingGame(*this, words, &rnd, wordFileShown), slow(slow), normal(normal),
      fast(fast)
{
    ui->setupUi(this);
    designedSize = size();
    ui->keyboardView->hide();
    setAttribute(Qt::WA_DeleteOnClose);
    // Hidden until a load has something to say, and until a game is finished.
    ui->loadFailureLine->hide();
    ui->resultsPanel->hide();

    setUpClock(countdownClock, this, "Timer1");
    setUpClock(wordClock, this, "Timer2");
    connect(&countdownClock, &QTimer::timeout, this, [this] {
        // "3", "2" and "1" share a sound, and "START" has its own.
        const std::int16_t step = typingGame.countdown();
        guarded([this] { typingGame.countdownTick(); });
        if (step >= 1 && step <= 3)
            this->sounds.play(SoundKind::Countdown);
        else if (step == 0)
            this->sounds.play(SoundKind::Start);
    });
    connect(&wordClock, &QTimer::timeout, this, [this] {
        // The time-up message is shown afresh at every tick of the time-up; its sound marks only the first.
        const bool timedOut = typingGame.prompt() == texts::timeUp;
        guarded([this] { typingGame.wordClockTick(); });
        if (!timedOut && typingGame.prompt() == texts::timeUp)
            this->sounds.play(SoundKind::TimeUp);
    });
    connect(ui->Text1, &InputBox::keyDown, this, [this](const QString& text) {
        starEarned = false;
        // The coach still stands where the last key left the box: what it lights is what this key was to be.
        const LitKeys& lit = coach.lit();
        keyBeingJudged = {lit.next && !lit.slipped ? std::optional(lit.next->key) : std::nullopt,
                          ui->Text1->composing(), KeyJudged::None};
        if (closing)
            return;
        const std::int32_t goodBefore = typingGame.tally().goodKeys();
        guarded([&] { typingGame.checkInput(text.toStdU16String()); });
        // The key that answers the word is a good key, and the box takes it no further.
        if (typingGame.tally().goodKeys() > goodBefore)
            keyBeingJudged.judged = KeyJudged::Good;
    });
    connect(ui->Text1, &InputBox::keyTaken, this, [this](const QString& text, std::optional<TypingStyle> typedAs) {
        if (closing)
            return;
        const std::int32_t mistakesBefore = typingGame.tally().mistakes();
        const std::int32_t goodBefore = typingGame.tally().goodKeys();
        const std::int32_t correctionsBefore = typingGame.tally().corrections();
        guarded([&] { typingGame.keyTaken(text.toStdU16String(), typedAs); });
        if (typingGame.tally().mistakes() > mistakesBefore)
            keyBeingJudged.judged = KeyJudged::Mistake;
        else if (typingGame.tally().goodKeys() > goodBefore)
            keyBeingJudged.judged = KeyJudged::Good;
        else if (typingGame.tally().corrections() > correctionsBefore)
            keyBeingJudged.judged = KeyJudged::Correction;
        // A key that answered the word has its star's sound already; any other key the box took clicks, or sounds
        // its slip.
        if (!starEarned)
            this->sounds.play(typingGame.tally().mistakes() > mistakesBefore ? SoundKind::Miss : SoundKind::KeyClick);
    });
    connect(ui->Text1, &InputBox::typingMoved, this, &GameScreen::followTyping);
    ui->Text1->installEventFilter(this);
    connect(ui->Text1, &InputBox::kanaInputSwitched, this, &GameScreen::kanaInputSwitched);
    connect(ui->Label6, &ClickableLabel::clicked, this, &GameScreen::playAgain);
    connect(ui->Label3, &ClickableLabel::clicked, this, &GameScreen::goBack);

    // The countdown clock runs from creation; the game start switches it off and on again.
    countdownClock.start();
    ui->Text1->setFocus();
    setAcceptDrops(offersChoice);
    centreOnScreen(*this);

    startGame();
}

// The children outlive this class's part of the window, and the box still announces a change (its pending letters
// committed as it loses the focus) while QWidget deletes them: it must reach nothing of this class by then.
GameScreen::~GameScreen()
{
    ui->Text1->removeEventFilter(this);
    ui->Text1->disconnect(this);
}

void GameScreen::showKeyboard(bool on)
{
    keyboardOn = on;
    ui->keyboardView->setVisible(on);
    setFixedSize(designedSize.width(), designedSize.height() + (on ? ui->keyboardView->height() : 0));
    // The coach followed the box while the picture was hidden: what it lights is where the player stands now.
    if (on)
        ui->keyboardView->setLit(coach.lit());
    if (!isVisible()) {
        centreOnScreen(*this);
        return;
    }
    // A window grown past the bottom of the screen moves up, so the keys stay in sight.
    if (const QScreen* shownOn = screen()) {
        const QRect room = shownOn->availableGeometry();
        const QRect frame = frameGeometry();
        const int over = frame.top() + frame.height() - (room.top() + room.height());
        if (on && over > 0)
            move(x(), std::max(room.top(), y() - over));
    }
}

void GameScreen::setKeyboardLayout(KeyboardLayout layout)
{
    ui->keyboardView->setKeyboardLayout(layout);
    // The keys lit on the other keyboard say nothing about this one.
    coach = KeyboardCoach();
    followTyping(std::nullopt);
}

// The coach follows every change, picture shown or hidden, so that the keys are counted either way. Only a key of the
// box's own comes with `pressed`: an input method's event is no key that the coach could name, and counts for none.
//
// A key is missed when the coach sees it make the slip, or the tally counts it a mistake: a wrong letter the box still
// holds pending is a slip the tally sees only on the key after it. It is pressed right when the tally counts it good,
// or when it is the very key expected (a mode key such as F7 changes no text, and the tally never sees it). A
// correction counts for no key.
void GameScreen::followTyping(const std::optional<PressedKey>& pressed)
{
    if (closing)
        return;
    const KeyboardLayout layout = ui->keyboardView->keyboardLayout();
    const LitKeys& lit = coach.follow(ui->Text1->typingPoint(), layout, pressed);
    if (pressed) {
        const KeyBeingJudged key = std::exchange(keyBeingJudged, {});
        if (key.expected) {
            const std::optional<KeyboardKey> hit = keyPressed(*pressed, layout);
            const bool correction =
                key.judged == KeyJudged::Correction || hit == KeyboardKey::Backspace || pressed->character == u'\b';
            if (lit.slipped || key.judged == KeyJudged::Mistake)
                // While an input method composes, the key behind a slip is its own, not the one that reached the box.
                keySlips.keyTaken(*key.expected, key.composing ? std::nullopt : hit, true);
            else if (!correction && (key.judged == KeyJudged::Good || hit == key.expected))
                keySlips.keyTaken(*key.expected, hit, false);
        }
    }
    if (keyboardOn)
        ui->keyboardView->setLit(lit);
}

// F2 switches the keyboard picture and F3 every sound, on the input box; the box still takes either as a key-down.
bool GameScreen::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->Text1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (key->key() == Qt::Key_F2 && !key->isAutoRepeat() && !closing) {
            showKeyboard(!keyboardOn);
            Q_EMIT keyboardToggled(keyboardOn);
        }
        if (key->key() == Qt::Key_F3 && !key->isAutoRepeat() && !closing)
            sounds.switchAll();
    }
    return QWidget::eventFilter(watched, event);
}

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
    // Only the game writes the stars, one more for each word answered; a start clears them. The 21st is heard as the
    // record, which follows it at once.
    if (text.size() > starsShown) {
        starEarned = true;
        if (typingGame.cleared() < 20)
            sounds.play(SoundKind::Correct);
    }
    starsShown = text.size();
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

// Called from inside the check of the 21st word's key: the game is taken down as it stands, and kept and shown once
// that key has been handled, so the key itself never waits for the disk.
void GameScreen::gameFinished()
{
    gameKept = true;
    QMetaObject::invokeMethod(
        this, [this, record = recordOfThisGame(true), game = gameNumber] { keepAndShowResults(record, game); },
        Qt::QueuedConnection);
}

GameRecord GameScreen::recordOfThisGame(bool finished) const
{
    const GameTally& tally = typingGame.tally();
    GameRecord record;
    record.playedAt = QDateTime::currentDateTimeUtc();
    record.listPath = qtext(wordFileShown);
    record.listName = qtext(listName);
    record.listHash = listHash;
    record.speed = typingGame.speed();
    record.style = tally.typingStyle();
    record.finished = finished;
    record.practice = !practiceWords.empty();
    record.seconds = typingGame.elapsed();
    record.keys = tally.keys();
    record.goodKeys = tally.goodKeys();
    record.mistakes = tally.mistakes();
    record.words = tally.words();
    record.kana = tally.kana();
    record.keyCounts = keySlips.keyCounts();
    record.confusions = keySlips.confusions();
    return record;
}

QString GameScreen::keepUnfinishedGame()
{
    if (gameKept || listHash.isEmpty() || typingGame.tally().words().empty())
        return {};
    gameKept = true;
    if (records.save(recordOfThisGame(false)))
        return {};
    const QString trouble = sentenceOf(records.problem());
    if (!trouble.isEmpty())
        showLine(trouble);
    return trouble;
}

void GameScreen::keepAndShowResults(const GameRecord& record, int game)
{
    BestStanding standing = BestStanding::Unknown;
    std::optional<std::int32_t> bestBefore;
    QString trouble;
    if (!record.listHash.isEmpty()) {
        // The best of the list, speed and way of typing is read before this game is added, so that a new best can be
        // told from an equal one.
        bestBefore = records.best(record.listHash, record.speed, record.style);
        const bool readable = records.status() == RecordsStore::Status::Ready;
        const bool kept = records.save(record);
        if (readable && kept && !record.practice)
            standing = !bestBefore                    ? BestStanding::First
                       : record.seconds < *bestBefore ? BestStanding::NewBest
                                                      : BestStanding::NotBetter;
        if (!kept)
            trouble = sentenceOf(records.problem());
    }
    // 延長 or a drop may have started another game while this one was being kept: its results are not for that one.
    if (game != gameNumber || closing)
        return;
    sounds.play(standing == BestStanding::NewBest ? SoundKind::NewBest : SoundKind::Record);
    QString text;
    if (record.practice)
        text = QStringLiteral("ミスした言葉の練習（自己ベストには数えません）\r\n");
    const GameSummary summary =
        summarize({record.seconds, record.keys, record.goodKeys, record.mistakes}, record.style, record.words);
    text += qtext(resultsText(summary, standing, bestBefore));
    if (!trouble.isEmpty())
        text += QStringLiteral("\r\n") + trouble;
    ui->resultsPanel->setText(captionText(text.toStdU16String()));
    // The results take the band the load line uses; what that line said belongs to the start of the game.
    ui->loadFailureLine->hide();
    ui->resultsPanel->show();
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

void GameScreen::bytesRead(std::string_view bytes)
{
    readIdentity.add(bytes);
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
        if (count > 0)
            listHash = readIdentity.result();
        count = keepPracticeWords(count);
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

std::int32_t GameScreen::keepPracticeWords(std::int32_t count)
{
    if (practiceWords.empty() || count <= 0)
        return count;
    const std::unordered_set<std::u16string> wanted(practiceWords.begin(), practiceWords.end());
    std::int32_t kept = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        const auto from = static_cast<std::size_t>(i);
        if (!wanted.contains(words.words[from]))
            continue;
        const auto to = static_cast<std::size_t>(kept++);
        if (to != from) {
            words.words[to] = words.words[from];
            words.explanations[to] = words.explanations[from];
            words.readings[to] = words.readings[from];
        }
    }
    if (kept == 0) {
        showLine(QStringLiteral("練習する言葉がこのリストにもうありません。リスト全体から出します。"));
        return count;
    }
    showLine(QStringLiteral("ミスした言葉の練習：") + QString::number(kept) + QStringLiteral(" 語から出します。"));
    return kept;
}

void GameScreen::startGame()
{
    // The game being replaced is kept first, as far as it went.
    keepUnfinishedGame();
    ++gameNumber;
    gameKept = false;
    ui->resultsPanel->hide();
    ui->resultsPanel->clear();
    ui->loadFailureLine->hide();
    ui->loadFailureLine->clear();
    // The list is read afresh at every start, and it is the one chosen now.
    const ListFile& chosen = lists.chosen();
    wordFile = wordFileOf(chosen);
    wordFileShown = shownPath(wordFile);
    typingGame.setWordFile(chosen.name, wordFileShown);
    listName = chosen.name;
    // Every game starts in hiragana, whatever mode the last one ended in.
    ui->Text1->setMode(InputBox::Mode::Hiragana);
    // The sound opens with the game, or tries again after it failed; it never waits.
    sounds.gameStarting();
    // The history knows the list by what it holds, worked out from the very bytes this game's load reads: an edit
    // made in between cannot file the game under content that was not played.
    readIdentity.reset();
    listHash.clear();
    keySlips.reset();
    keyBeingJudged = {};
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
    // The game left is kept first, so that the title screen can say when it could not be.
    const QString trouble = keepUnfinishedGame();
    Q_EMIT backRequested(trouble);
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
    if (!lists.choose(dropped.path)) {
        showLine(sentenceOf(lists.problem()));
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
    keepUnfinishedGame();
    sounds.gameLeft();
    event->accept();
}

} // namespace fururupo
