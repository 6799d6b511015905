#include "screens/settings_screen.h"

#include "player/settings.h"
#include "screens/game_sounds.h"
#include "screens/input_box.h"
#include "screens/keyboard_view.h"
#include "ui_settings_screen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

namespace fururupo {

SettingsScreen::SettingsScreen(Settings& settings, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::SettingsScreen>()), settings(settings)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    showSettings();

    // Each box and the slider stand for one setting, saved as soon as it moves.
    const auto bind = [this](QCheckBox* box, const Setting<bool>& setting) {
        connect(box, &QCheckBox::toggled, this, [this, &setting](bool on) {
            this->settings.setValue(setting, on);
            Q_EMIT changed();
        });
    };
    bind(ui->soundOnBox, soundOnSetting);
    bind(ui->keyClickBox, keyClickSetting);
    bind(ui->otherSoundsBox, otherSoundsSetting);
    bind(ui->kanaInputBox, kanaInputSetting);
    bind(ui->keyboardShownBox, keyboardShownSetting);
    connect(ui->keyboardLayoutChooser, &QComboBox::activated, this, [this](int index) {
        this->settings.setValue(keyboardLayoutSetting, ui->keyboardLayoutChooser->itemData(index).toInt());
        Q_EMIT changed();
    });
    // The slider moves while it is dragged; the volume is saved once it comes to rest.
    ui->volumeSlider->setTracking(false);
    connect(ui->volumeSlider, &QSlider::valueChanged, this, [this](int volume) {
        this->settings.setValue(soundVolumeSetting, volume);
        Q_EMIT changed();
    });
    connect(ui->closeButton, &QPushButton::clicked, this, &QWidget::close);
    ui->soundOnBox->setFocus();
}

SettingsScreen::~SettingsScreen() = default;

void SettingsScreen::showSettings()
{
    const QSignalBlocker quietSound(ui->soundOnBox);
    const QSignalBlocker quietClick(ui->keyClickBox);
    const QSignalBlocker quietOthers(ui->otherSoundsBox);
    const QSignalBlocker quietVolume(ui->volumeSlider);
    const QSignalBlocker quietKana(ui->kanaInputBox);
    const QSignalBlocker quietKeyboard(ui->keyboardShownBox);
    ui->kanaInputBox->setChecked(settings.value(kanaInputSetting));
    ui->keyboardShownBox->setChecked(settings.value(keyboardShownSetting));
    // In the order of the setting's values: 0 follows the desktop, 1 is JIS, 2 is US.
    QComboBox* layouts = ui->keyboardLayoutChooser;
    layouts->clear();
    layouts->addItem(QStringLiteral("デスクトップに合わせる"), 0);
    layouts->addItem(QStringLiteral("日本語 109 キー（JIS）"), 1);
    layouts->addItem(QStringLiteral("英語 104 キー（US）"), 2);
    layouts->setCurrentIndex(layouts->findData(settings.value(keyboardLayoutSetting)));
    ui->soundOnBox->setChecked(settings.value(soundOnSetting));
    ui->keyClickBox->setChecked(settings.value(keyClickSetting));
    ui->otherSoundsBox->setChecked(settings.value(otherSoundsSetting));
    ui->volumeSlider->setRange(soundVolumeSetting.lowest, soundVolumeSetting.highest);
    ui->volumeSlider->setValue(settings.value(soundVolumeSetting));
}

void SettingsScreen::keyPressEvent(QKeyEvent* event)
{
    // The boxes and the slider leave Escape to the window.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace fururupo
