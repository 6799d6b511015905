#include "screens/settings_screen.h"

#include "player/settings.h"
#include "screens/game_sounds.h"
#include "ui_settings_screen.h"

#include <QCheckBox>
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
