#include "screens/title_screen.h"

#include "platform/program_folder.h"
#include "player/list_choice.h"
#include "player/player_folders.h"
#include "screens/application.h"
#include "screens/list_picking.h"
#include "screens/notices.h"
#include "screens/text_and_placement.h"
#include "ui_title_screen.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPen>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>

#include <algorithm>
#include <utility>
#include <vector>

namespace fururupo {

namespace {

// A list as the chooser shows it: its name, and where another list has the same name, what tells the two apart.
QString shownName(const ListFile& list)
{
    if (list.folderHint.empty())
        return qtext(list.name);
    return QStringLiteral("%1（%2）").arg(qtext(list.name), qtext(list.folderHint));
}

} // namespace

TitleScreen::TitleScreen(ListChoice& lists, const Settings& settings, bool offersChoice, bool offersRecords,
                         QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TitleScreen>()), lists(lists), settings(settings),
      offersChoice(offersChoice)
{
    ui->setupUi(this);
    // The pictures are set here rather than in the design, which would decode each picture file as the window is
    // built (see bundledPicture).
    ui->Image1->setPixmap(bundledPicture("title.gif"));
    ui->Command1->setIcon(QIcon(bundledPicture("start.bmp")));
    ui->Command2->setIcon(QIcon(bundledPicture("exit.bmp")));
    setAttribute(Qt::WA_DeleteOnClose);
    hearts = {ui->Image2_0, ui->Image2_1, ui->Image2_2, ui->Image2_3, ui->Image2_4,
              ui->Image2_5, ui->Image2_6, ui->Image2_7, ui->Image2_8, ui->Image2_9};
    // The ten hearts show one picture stretched to one size: scaled once here, as a label stretching it would scale
    // it (smoothly, ignoring its proportions), instead of once in every label at the first paint.
    const QPixmap heart = bundledPicture("heart.gif");
    QPixmap shownHeart;
    for (QLabel* image : hearts) {
        if (shownHeart.size() != image->size())
            shownHeart = QPixmap::fromImage(
                heart.toImage().scaled(image->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        image->setPixmap(shownHeart);
    }

    blinkClock.setParent(this);
    blinkClock.setObjectName(QStringLiteral("Timer1"));
    blinkClock.setTimerType(Qt::PreciseTimer);
    blinkClock.setInterval(500);
    connect(&blinkClock, &QTimer::timeout, this, &TitleScreen::blinkStep);
    connect(ui->Command1, &QPushButton::clicked, this, &TitleScreen::start);
    connect(ui->Command2, &QPushButton::clicked, this, &TitleScreen::exitProgram);
    // Enter presses the focused button as Space does (outside a dialog a button takes only Space by itself).
    for (QPushButton* button : {ui->Command1, ui->Command2, ui->recordsButton, ui->settingsButton})
        button->setAutoDefault(true);
    connect(ui->settingsButton, &QPushButton::clicked, this, [this] {
        if (!starting)
            Q_EMIT settingsRequested();
    });
    if (offersRecords && offersChoice)
        connect(ui->recordsButton, &QPushButton::clicked, this, &TitleScreen::showRecords);
    else
        ui->recordsButton->hide();

    if (offersChoice) {
        setAcceptDrops(true);
        ui->listChooser->installEventFilter(this);
        connect(ui->listChooser, &QComboBox::activated, this, &TitleScreen::listPicked);
        showLists();
    } else {
        ui->listChooser->hide();
        ui->listCaption->hide();
        ui->listNotice->hide();
        ui->settingsButton->hide();
    }

    // Every move of the focus repaints the frame, whichever control it leaves or reaches.
    connect(qApp, &QApplication::focusChanged, this, &TitleScreen::focusMoved);

    blinkPhase = 0;
    blinkClock.start();
    ui->Command1->setFocus();
    centreOnScreen(*this);
}

TitleScreen::~TitleScreen()
{
    // QWidget's destructor moves the focus away, and that must not call back into what is left of this window.
    disconnect(qApp, &QApplication::focusChanged, this, &TitleScreen::focusMoved);
}

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
    startWith({});
}

void TitleScreen::startWith(std::vector<std::u16string> practiceWords)
{
    // A second START while the first is still loading the word list would open a second game screen.
    if (starting)
        return;
    starting = true;
    // The game screen starts its first game as it opens, reading the options as they stand now.
    Q_EMIT startRequested(ui->Option1_0->isChecked(), ui->Option1_1->isChecked(), ui->Option1_2->isChecked(),
                          practiceWords);
    starting = false;
    close();
    if (exitAfterStart)
        sayFarewellAndEnd();
}

SpeedLevel TitleScreen::chosenSpeed() const
{
    if (ui->Option1_0->isChecked())
        return SpeedLevel::Slow;
    if (ui->Option1_2->isChecked())
        return SpeedLevel::Fast;
    return SpeedLevel::Normal;
}

void TitleScreen::showRecords()
{
    if (!starting)
        Q_EMIT recordsRequested(chosenSpeed());
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
    Q_EMIT leaving();
    endProcess(0);
}

void TitleScreen::showLists()
{
    QComboBox* chooser = ui->listChooser;
    const QSignalBlocker quiet(chooser);
    chooser->clear();
    int chosenAt = 0;
    const ListFile& chosen = lists.chosen();
    for (const ListFile& list : lists.lists()) {
        if (list.path == chosen.path)
            chosenAt = chooser->count();
        chooser->addItem(shownName(list));
        chooser->setItemData(chooser->count() - 1, qtext(displayPath(list.path)), Qt::ToolTipRole);
    }
    chooser->addItem(QStringLiteral("ほかのファイルを選ぶ…"));
    chooser->setItemData(chooser->count() - 1, QStringLiteral("ファイルを開くダイアログで単語リストを選びます"),
                         Qt::ToolTipRole);
    chooser->setCurrentIndex(chosenAt);
    // The box is narrow and cuts a long name; its open list is as wide as the longest, within the screen.
    const int widest = chooser->view()->sizeHintForColumn(0) + 2 * chooser->view()->frameWidth() +
                       chooser->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, chooser);
    chooser->view()->setMinimumWidth(std::min(widest, screen() ? screen()->availableGeometry().width() / 2 : widest));
    chooser->setToolTip(QStringLiteral("START で遊ぶ単語リスト：") + qtext(displayPath(chosen.path)));
    showNotice();
}

void TitleScreen::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (offersChoice && lists.dropVanished())
        showLists();
}

void TitleScreen::addNotice(const QString& line)
{
    extraNotice = line;
    showNotice();
}

void TitleScreen::showNotice()
{
    QStringList lines;
    for (const QString& line : {sentenceOf(lists.problem()), sentenceOf(settings.problem()), extraNotice})
        if (!line.isEmpty())
            lines.append(line);
    showNotice(lines.join(QStringLiteral("　")));
}

void TitleScreen::showNotice(const QString& line)
{
    QLabel* notice = ui->listNotice;
    // One line across the top: a long path is cut in the middle, and the whole line is in the tooltip.
    notice->setText(notice->fontMetrics().elidedText(line, Qt::ElideMiddle, notice->width()));
    notice->setToolTip(line);
}

void TitleScreen::listPicked(int index)
{
    const auto& offered = lists.lists();
    if (index >= 0 && static_cast<std::size_t>(index) < offered.size()) {
        const std::filesystem::path path = offered[static_cast<std::size_t>(index)].path;
        chooseList(path);
    } else {
        pickWithDialog();
    }
}

void TitleScreen::pickWithDialog()
{
    // The dialog opens on the player's own lists folder when there is one, else on the home folder.
    QString startIn = qtPath(playerListsFolder());
    if (startIn.isEmpty() || !QFileInfo(startIn).isDir())
        startIn = QDir::homePath();
    const QString picked =
        QFileDialog::getOpenFileName(this, QStringLiteral("単語リストを選ぶ"), startIn,
                                     QStringLiteral("単語リスト (*.tsv *.txt *.TSV *.TXT);;すべてのファイル (*)"));
    if (picked.isEmpty()) {
        showLists(); // cancelled: the chooser goes back to the list chosen before
        return;
    }
    chooseList(QFile::encodeName(picked).toStdString());
}

void TitleScreen::chooseList(const std::filesystem::path& path)
{
    // A choice that succeeds clears the notice; one that fails puts its reason there.
    extraNotice.clear();
    lists.choose(path);
    showLists();
}

void TitleScreen::dragEnterEvent(QDragEnterEvent* event)
{
    if (mayBeAList(event->mimeData()))
        event->acceptProposedAction();
}

void TitleScreen::dropEvent(QDropEvent* event)
{
    const DroppedList dropped = droppedList(event->mimeData());
    event->acceptProposedAction();
    if (!dropped.refusal.isEmpty()) {
        showNotice(dropped.refusal);
        return;
    }
    chooseList(dropped.path);
}

bool TitleScreen::eventFilter(QObject* watched, QEvent* event)
{
    // Enter on the list chooser opens it, as Enter on START or EXIT presses them.
    if (watched == ui->listChooser && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ui->listChooser->showPopup();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TitleScreen::focusMoved(QWidget* from, QWidget* to)
{
    if ((from && from->window() == this) || (to && to->window() == this))
        update();
}

void TitleScreen::changeEvent(QEvent* event)
{
    // The focus may move while the window is inactive (no focus events then), so the frame is drawn afresh whenever
    // the window gains or loses the keyboard.
    if (event->type() == QEvent::ActivationChange)
        update();
    QWidget::changeEvent(event);
}

void TitleScreen::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    // The application's focus widget, not this window's: that is where the next key goes, and it is none of ours
    // while another window (or the chooser's popup) is active.
    QWidget* focused = QApplication::focusWidget();
    if (!isActiveWindow() || (focused != ui->Command1 && focused != ui->Command2))
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
    QWidget* speedOption = ui->Option1_0;
    for (QRadioButton* option : {ui->Option1_0, ui->Option1_1, ui->Option1_2}) {
        if (option->isChecked())
            speedOption = option;
    }
    // The stops of this window, in order: those hidden (no chooser, no 成績) are passed over.
    std::vector<QWidget*> order{ui->Command1, ui->Command2, speedOption};
    for (QWidget* optional : {static_cast<QWidget*>(ui->listChooser), static_cast<QWidget*>(ui->recordsButton),
                              static_cast<QWidget*>(ui->settingsButton)})
        if (!optional->isHidden())
            order.push_back(optional);
    QWidget* focused = focusWidget();
    if (focused == ui->Option1_0 || focused == ui->Option1_1 || focused == ui->Option1_2)
        focused = speedOption;
    const auto at = std::find(order.begin(), order.end(), focused);
    if (at == order.end())
        return QWidget::focusNextPrevChild(next);
    const std::size_t stops = order.size();
    const std::size_t here = static_cast<std::size_t>(at - order.begin());
    order[(here + (next ? 1 : stops - 1)) % stops]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
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
