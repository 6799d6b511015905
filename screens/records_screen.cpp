#include "screens/records_screen.h"

#include "logic/game_results.h"
#include "player/records_store.h"
#include "screens/key_miss_map.h"
#include "screens/notices.h"
#include "screens/progress_chart.h"
#include "screens/text_and_placement.h"
#include "ui_records_screen.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>
#include <utility>

namespace fururupo {

namespace {

const QColor recordColour(215, 50, 140);
const QColor speedColour(0, 130, 200);
const QColor accuracyColour(60, 150, 50);
const QColor scoreColour(230, 130, 20);

// The slips listed: a dozen, the few a player can take in at once.
constexpr std::size_t confusionsShown = 12;

// Most words that practice draws from: one game's worth.
constexpr int practiceWords = 21;

constexpr SpeedLevel speeds[] = {SpeedLevel::Slow, SpeedLevel::Normal, SpeedLevel::Fast};
constexpr TypingStyle styles[] = {TypingStyle::Romaji, TypingStyle::Kana, TypingStyle::InputMethod};

// A text from the history as a cell shows it: cut to a length no column needs, so that a huge one costs nothing to
// lay out; the view elides it to its column's width as it paints.
QString cellText(const std::u16string& text)
{
    return QString::fromStdU16String(text.substr(0, 200));
}

// A name cut in its middle to a number of characters, for a sentence whose width the dialog sets.
QString shortName(const QString& name)
{
    constexpr qsizetype most = 40;
    return name.size() <= most ? name : name.left(most / 2) + QChar(0x2026) + name.right(most / 2 - 1);
}

QString percent(double share)
{
    return std::isfinite(share) ? QString::number(std::lround(share)) + u'%' : QStringLiteral("—");
}

QString number(double value, int decimals)
{
    return std::isfinite(value) ? QString::number(value, 'f', decimals) : QStringLiteral("—");
}

// A key as the slips list names it: its cap on that keyboard, with its kana in kana input.
QString keyName(KeyboardLayout layout, KeyboardKey key, TypingStyle style)
{
    QString name = qtext(legendOf(layout, key));
    if (name.isEmpty())
        name = qtext(legendOf(layout == KeyboardLayout::Jis ? KeyboardLayout::Us : KeyboardLayout::Jis, key));
    const char16_t kana = style == TypingStyle::Kana ? kanaOfKey(key, false) : u'\0';
    if (kana != 0 && kana != u'\u3000')
        name += QStringLiteral("（") + QChar(kana) + QStringLiteral("）");
    return name;
}

void addRow(QTreeWidget& view, const QStringList& cells, int rightAlignedFrom)
{
    auto* item = new QTreeWidgetItem(&view, cells);
    for (int column = rightAlignedFrom; column < cells.size(); ++column)
        item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
}

// The columns of figures take what their contents need, and the one column of text the rest.
void sizeColumns(QTreeWidget& view, int stretched)
{
    QHeaderView& header = *view.header();
    header.setSectionsMovable(false);
    header.setStretchLastSection(false);
    for (int column = 0; column < view.columnCount(); ++column)
        header.setSectionResizeMode(column, column == stretched ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
    view.setTextElideMode(Qt::ElideRight);
}

} // namespace

RecordsScreen::RecordsScreen(RecordsStore& store, QByteArray listHash, QString listName, SpeedLevel speed,
                             QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::RecordsScreen>()), store(store), listHash(std::move(listHash)),
      listName(std::move(listName)), speed(speed)
{
    ui->setupUi(this);
    built = true;
    setAttribute(Qt::WA_DeleteOnClose);
    sizeHeading();

    for (SpeedLevel level : speeds)
        ui->speedChooser->addItem(qtext(captionOf(level)), static_cast<int>(level));
    ui->speedChooser->setCurrentIndex(ui->speedChooser->findData(static_cast<int>(speed)));
    connect(ui->speedChooser, &QComboBox::activated, this, &RecordsScreen::speedPicked);
    // Bests are kept apart for each way of typing: the window opens on the way of the last game of this list and speed.
    style = store.lastStyle(this->listHash, speed).value_or(TypingStyle::Romaji);
    for (TypingStyle way : styles)
        ui->styleChooser->addItem(qtext(styleName(way)), static_cast<int>(way));
    ui->styleChooser->setCurrentIndex(ui->styleChooser->findData(static_cast<int>(style)));
    connect(ui->styleChooser, &QComboBox::activated, this, &RecordsScreen::stylePicked);

    ui->progressChart->setAxisUnits(QStringLiteral("秒"), QStringLiteral("打/分・スコア"));
    sizeColumns(*ui->bestGames, 5);
    sizeColumns(*ui->missedKana, 0);
    sizeColumns(*ui->missedWords, 0);
    // The two keys share the width, and the count takes what its heading or five digits need: nothing here is measured
    // row by row, as the other lists' columns are.
    QHeaderView& slipColumns = *ui->keyConfusions->header();
    slipColumns.setSectionsMovable(false);
    slipColumns.setStretchLastSection(false);
    slipColumns.setSectionResizeMode(0, QHeaderView::Stretch);
    slipColumns.setSectionResizeMode(1, QHeaderView::Stretch);
    slipColumns.setSectionResizeMode(2, QHeaderView::Fixed);
    const QFontMetrics slipMetrics(slipColumns.font());
    slipColumns.resizeSection(2, std::max(slipMetrics.horizontalAdvance(ui->keyConfusions->headerItem()->text(2)),
                                          slipMetrics.horizontalAdvance(QStringLiteral("00000"))) +
                                     3 * slipMetrics.averageCharWidth());
    ui->keyConfusions->setTextElideMode(Qt::ElideRight);

    connect(ui->practiceButton, &QPushButton::clicked, this, &RecordsScreen::practise);
    connect(ui->forgetButton, &QPushButton::clicked, this, &RecordsScreen::forget);
    connect(ui->closeButton, &QPushButton::clicked, this, &QWidget::close);

    reload();
    ui->closeButton->setFocus();
    centreOnScreen(*this);
}

RecordsScreen::~RecordsScreen() = default;

void RecordsScreen::setKeyboardLayout(KeyboardLayout keyboard)
{
    if (keyboard == layout)
        return;
    layout = keyboard;
    // The same keys on the other keyboard: nothing to read again.
    ui->keyMissMap->setKeyboardLayout(layout);
    showSlips();
}

void RecordsScreen::showSlips()
{
    ui->keyConfusions->clear();
    for (const ConfusionCount& slip : slips) {
        addRow(*ui->keyConfusions,
               {keyName(layout, slip.expected, style), keyName(layout, slip.hit, style), QString::number(slip.count)},
               2);
    }
}

void RecordsScreen::keyPressEvent(QKeyEvent* event)
{
    // The buttons and lists leave Escape to the window, and an open chooser list takes it before it gets here.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void RecordsScreen::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The design sets the window's font before its controls exist.
    if (event->type() == QEvent::FontChange && built)
        sizeHeading();
}

void RecordsScreen::sizeHeading()
{
    // Four points over the window's font, bold.
    QFont headingFont = font();
    headingFont.setPointSizeF(headingFont.pointSizeF() + 4);
    headingFont.setBold(true);
    ui->recordsHeading->setFont(headingFont);
    fitTexts();
}

void RecordsScreen::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitTexts();
}

void RecordsScreen::fitTexts()
{
    // The list's name gives way in its middle; the speed after it is always shown whole (the way of typing is in its
    // chooser beside it).
    QLabel& heading = *ui->recordsHeading;
    const QFontMetrics metrics(heading.font());
    const QString speedText = QStringLiteral("　") + qtext(captionOf(speed));
    const int width = heading.contentsRect().width();
    // The parts' widths need not add up to the whole's to the pixel: the name gives way until the whole fits.
    QString text;
    for (int room = width - metrics.horizontalAdvance(speedText + QStringLiteral("「」"));; room -= 2) {
        text =
            QStringLiteral("「%1」").arg(metrics.elidedText(listName.left(200), Qt::ElideMiddle, std::max(0, room))) +
            speedText;
        if (room <= 0 || metrics.horizontalAdvance(text) <= width)
            break;
    }
    heading.setText(text);
    heading.setToolTip(listName.left(1000));

    // The store's lines can end in a path and a driver message: cut in the middle to the label, whole in the tip.
    QLabel& line = *ui->recordsNotice;
    // A line's height even while empty, so that the window keeps its shape when a notice comes.
    line.setMinimumHeight(line.fontMetrics().height() + line.margin() * 2);
    line.setText(QFontMetrics(line.font()).elidedText(notice, Qt::ElideMiddle, line.contentsRect().width()));
    line.setToolTip(notice == line.text() ? QString() : notice);
}

void RecordsScreen::reload()
{
    const History history = store.history(listHash, speed, style);

    using Axis = ProgressChart::Axis;
    const auto series = [&](QString name, QColor colour, Spread ProgressBucket::*measure, Axis axis) {
        return ProgressChart::Series{std::move(name), colour, ProgressChart::pointsOf(history.chart, measure), axis};
    };
    ui->progressChart->setSeries({
        series(QStringLiteral("記録（秒）"), recordColour, &ProgressBucket::seconds, Axis::Left),
        series(QStringLiteral("打/分"), speedColour, &ProgressBucket::keysPerMinute, Axis::Right),
        series(QStringLiteral("スコア"), scoreColour, &ProgressBucket::score, Axis::Right),
        series(QStringLiteral("正確さ"), accuracyColour, &ProgressBucket::accuracy, Axis::Percent),
    });

    ui->bestGamesHeading->setText(history.bestScore
                                      ? QStringLiteral("ベスト１０　（最高スコア %1）").arg(*history.bestScore)
                                      : QStringLiteral("ベスト１０"));
    ui->bestGames->clear();
    int rank = 0;
    for (const GamePoint& game : history.best) {
        addRow(*ui->bestGames,
               {QString::number(++rank), QString::number(game.counts.seconds), number(game.counts.keysPerMinute(), 0),
                percent(game.counts.accuracy()), QString::number(game.score),
                game.playedAt.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm"))},
               0);
    }

    ui->missedKana->clear();
    for (const KanaMisses& kana : history.kana) {
        addRow(
            *ui->missedKana,
            {cellText(kana.kana), percent(kana.rate() * 100), QStringLiteral("%1/%2").arg(kana.missed).arg(kana.typed)},
            1);
    }

    ui->missedWords->clear();
    for (const WordMisses& word : history.words) {
        addRow(*ui->missedWords, {cellText(word.word), QString::number(word.missed), QString::number(word.timedOut)},
               1);
        ui->missedWords->topLevelItem(ui->missedWords->topLevelItemCount() - 1)->setToolTip(0, cellText(word.word));
    }

    ui->keyMissMap->setKeyboardLayout(layout);
    ui->keyMissMap->setCounts(history.keys, history.confusions);
    slips = rankConfusions(history.confusions, confusionsShown);
    showSlips();

    ui->practiceButton->setEnabled(!history.words.empty());
    // A file the store may not write (read-only, newer, or none at all) has nothing this window could delete.
    ui->forgetButton->setEnabled(store.status() == RecordsStore::Status::Ready);

    QString line = sentenceOf(store.problem());
    if (line.isEmpty()) {
        if (store.status() == RecordsStore::Status::Unavailable)
            line = historyUnreadableSentence();
        else if (store.status() == RecordsStore::Status::NewerVersion)
            line = newerHistorySentence();
        else if (history.skipped > 0)
            line = skippedRowsSentence(history.skipped);
    }
    showNotice(line);
}

void RecordsScreen::showNotice(const QString& line)
{
    notice = line.left(1000);
    fitTexts();
}

void RecordsScreen::speedPicked(int index)
{
    const int level = ui->speedChooser->itemData(index).toInt();
    if (level < 0 || level > static_cast<int>(SpeedLevel::Fast))
        return;
    speed = static_cast<SpeedLevel>(level);
    reload();
}

void RecordsScreen::stylePicked(int index)
{
    const int way = ui->styleChooser->itemData(index).toInt();
    if (way < 0 || way > static_cast<int>(TypingStyle::InputMethod))
        return;
    style = static_cast<TypingStyle>(way);
    reload();
}

void RecordsScreen::practise()
{
    const std::vector<std::u16string> words = store.missedWords(listHash, practiceWords);
    if (words.empty()) {
        // The list was forgotten or the file went away since the window was filled.
        reload();
        ui->practiceButton->setEnabled(false);
        if (notice.isEmpty())
            showNotice(nothingToPractiseSentence());
        return;
    }
    Q_EMIT practiceRequested(words);
}

void RecordsScreen::forget()
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("成績を消す"),
                    QStringLiteral("「%1」の成績を、どの速さのものもすべて消しますか？\n"
                                   "ほかの一覧の成績もまとめて消せます。消した成績はもとに戻せません。")
                        .arg(shortName(listName)),
                    QMessageBox::NoButton, this);
    QPushButton* thisList = box.addButton(QStringLiteral("この一覧だけ"), QMessageBox::DestructiveRole);
    QPushButton* everything = box.addButton(QStringLiteral("すべて"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("やめる"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();

    bool done = true;
    if (box.clickedButton() == thisList)
        done = store.forgetList(listHash);
    else if (box.clickedButton() == everything)
        done = store.forgetAll();
    else
        return;

    reload();
    if (!done && notice.isEmpty())
        showNotice(couldNotForgetSentence());
}

} // namespace fururupo
