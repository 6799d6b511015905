#include "screens/records_screen.h"

#include "player/records_store.h"
#include "screens/progress_chart.h"
#include "screens/text_and_placement.h"
#include "ui_records_screen.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>

#include <cmath>
#include <utility>

namespace fururupo {

namespace {

const QColor recordColour(215, 50, 140);
const QColor speedColour(0, 130, 200);
const QColor accuracyColour(60, 150, 50);

// Most words that practice draws from: one game's worth.
constexpr int practiceWords = 21;

constexpr SpeedLevel speeds[] = {SpeedLevel::Slow, SpeedLevel::Normal, SpeedLevel::Fast};

// A text from the history, cut to what the column can show; the history is filtered, but a long line must not make
// the lists unreadable, and eliding a huge one would measure all of it first.
QString fitted(const QString& text, const QWidget& view, int width)
{
    return QFontMetrics(view.font()).elidedText(text.left(200), Qt::ElideRight, width);
}

QString percent(double share)
{
    return std::isfinite(share) ? QString::number(std::lround(share)) + u'%' : QStringLiteral("—");
}

QString number(double value, int decimals)
{
    return std::isfinite(value) ? QString::number(value, 'f', decimals) : QStringLiteral("—");
}

void addRow(QTreeWidget& view, const QStringList& cells, int rightAlignedFrom)
{
    auto* item = new QTreeWidgetItem(&view, cells);
    for (int column = rightAlignedFrom; column < cells.size(); ++column)
        item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
}

void sizeColumns(QTreeWidget& view, std::initializer_list<int> widths)
{
    view.header()->setSectionsMovable(false);
    view.header()->setMinimumSectionSize(24);
    view.header()->setStretchLastSection(true);
    int column = 0;
    for (int width : widths)
        view.setColumnWidth(column++, width);
}

} // namespace

RecordsScreen::RecordsScreen(RecordsStore& store, QByteArray listHash, QString listName, SpeedLevel speed,
                             QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::RecordsScreen>()), store(store), listHash(std::move(listHash)),
      listName(std::move(listName)), speed(speed)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);

    for (SpeedLevel level : speeds)
        ui->speedChooser->addItem(qtext(captionOf(level)), static_cast<int>(level));
    ui->speedChooser->setCurrentIndex(ui->speedChooser->findData(static_cast<int>(speed)));
    connect(ui->speedChooser, &QComboBox::activated, this, &RecordsScreen::speedPicked);

    ui->progressChart->setAxisUnits(QStringLiteral("秒"), QStringLiteral("打/分・%"));
    sizeColumns(*ui->bestGames, {34, 34, 42, 50});
    sizeColumns(*ui->missedKana, {52, 64});
    sizeColumns(*ui->missedWords, {228, 52});

    connect(ui->practiceButton, &QPushButton::clicked, this, &RecordsScreen::practise);
    connect(ui->forgetButton, &QPushButton::clicked, this, &RecordsScreen::forget);
    connect(ui->closeButton, &QPushButton::clicked, this, &QWidget::close);

    reload();
    ui->closeButton->setFocus();
    centreOnScreen(*this);
}

RecordsScreen::~RecordsScreen() = default;

void RecordsScreen::keyPressEvent(QKeyEvent* event)
{
    // The buttons and lists leave Escape to the window, and an open chooser list takes it before it gets here.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void RecordsScreen::reload()
{
    const QFontMetrics headingMetrics(ui->recordsHeading->font());
    ui->recordsHeading->setText(
        headingMetrics.elidedText(QStringLiteral("「%1」").arg(listName.left(200)), Qt::ElideMiddle, 560) +
        QStringLiteral("　") + qtext(captionOf(speed)));

    const History history = store.history(listHash, speed);

    std::vector<double> seconds;
    std::vector<double> keysPerMinute;
    std::vector<double> accuracy;
    seconds.reserve(history.games.size());
    keysPerMinute.reserve(history.games.size());
    accuracy.reserve(history.games.size());
    for (const GamePoint& game : history.games) {
        seconds.push_back(game.seconds);
        keysPerMinute.push_back(game.keysPerMinute);
        accuracy.push_back(game.accuracy);
    }
    std::vector<ProgressChart::Series> series;
    series.push_back({QStringLiteral("記録（秒）"), recordColour, std::move(seconds), ProgressChart::Axis::Left});
    series.push_back({QStringLiteral("打/分"), speedColour, std::move(keysPerMinute), ProgressChart::Axis::Right});
    series.push_back({QStringLiteral("正確さ（%）"), accuracyColour, std::move(accuracy), ProgressChart::Axis::Right});
    ui->progressChart->setSeries(std::move(series));

    ui->bestGames->clear();
    int rank = 0;
    for (const GamePoint& game : history.best) {
        addRow(*ui->bestGames,
               {QString::number(++rank), QString::number(game.seconds), number(game.keysPerMinute, 0),
                percent(game.accuracy), game.playedAt.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm"))},
               0);
    }

    ui->missedKana->clear();
    for (const KanaMisses& kana : history.kana) {
        addRow(*ui->missedKana,
               {fitted(kana.kana, *ui->missedKana, 44), percent(kana.rate() * 100),
                QStringLiteral("%1/%2").arg(kana.missed).arg(kana.typed)},
               1);
    }

    ui->missedWords->clear();
    for (const WordMisses& word : history.words) {
        addRow(*ui->missedWords,
               {fitted(word.word, *ui->missedWords, 216), QString::number(word.missed), QString::number(word.timedOut)},
               1);
    }

    ui->practiceButton->setEnabled(!history.words.empty());
    // A file the store may not write (read-only, newer, or none at all) has nothing this window could delete.
    ui->forgetButton->setEnabled(store.status() == RecordsStore::Status::Ready);

    QString notice = qtext(store.notice());
    if (notice.isEmpty()) {
        if (store.status() == RecordsStore::Status::Unavailable)
            notice = QStringLiteral("成績を読めませんでした。");
        else if (store.status() == RecordsStore::Status::NewerVersion)
            notice = QStringLiteral("新しい版のふるるぽの成績なので、読めません。");
        else if (history.skipped > 0)
            notice = QStringLiteral("読めない記録が %1 件ありました（表示していません）。").arg(history.skipped);
    }
    showNotice(notice);
}

void RecordsScreen::showNotice(const QString& line)
{
    // The store's lines can end in a path and a driver message: cut in the middle to the label, whole in the tip.
    const QString shown = line.left(1000);
    ui->recordsNotice->setText(
        QFontMetrics(ui->recordsNotice->font()).elidedText(shown, Qt::ElideMiddle, ui->recordsNotice->width()));
    ui->recordsNotice->setToolTip(shown == ui->recordsNotice->text() ? QString() : shown);
}

void RecordsScreen::speedPicked(int index)
{
    const int level = ui->speedChooser->itemData(index).toInt();
    if (level < 0 || level > static_cast<int>(SpeedLevel::Fast))
        return;
    speed = static_cast<SpeedLevel>(level);
    reload();
}

void RecordsScreen::practise()
{
    const std::vector<std::u16string> words = store.missedWords(listHash, practiceWords);
    if (words.empty()) {
        // The list was forgotten or the file went away since the window was filled.
        reload();
        ui->practiceButton->setEnabled(false);
        if (ui->recordsNotice->text().isEmpty())
            showNotice(QStringLiteral("練習する言葉がありません。"));
        return;
    }
    Q_EMIT practiceRequested(words);
}

void RecordsScreen::forget()
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("成績を消す"),
                    QStringLiteral("「%1」の成績を、どの速さのものもすべて消しますか？\n"
                                   "ほかの一覧の成績もまとめて消せます。消した成績はもとに戻せません。")
                        .arg(QFontMetrics(font()).elidedText(listName.left(200), Qt::ElideMiddle, 320)),
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
    if (!done && ui->recordsNotice->text().isEmpty())
        showNotice(QStringLiteral("成績を消せませんでした。"));
}

} // namespace fururupo
