#include "player/settings.h"

#include "player/logging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fururupo {

namespace {

// Ours holds a few short values; a settings file far larger was written by something else.
constexpr qint64 maxSettingsBytes = 1024 * 1024;

enum class FileState { Missing, Special, Unopenable, Broken, Fine };

// Opens without blocking (a FIFO in the file's place must not hang the start) and reads the bytes whole. Qt's INI
// reader accepts almost any bytes without complaint, and writing back would lose them: what is not UTF-8 text, or
// holds NUL bytes, counts as broken just as what the reader rejects.
FileState examine(const QString& file, QString& detail)
{
    const QByteArray name = QFile::encodeName(file);
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        detail = QString::fromLocal8Bit(std::strerror(errno));
        return errno == ENOENT ? FileState::Missing : FileState::Unopenable;
    }
    struct stat status
    {
    };
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return FileState::Special;
    }
    if (status.st_size > maxSettingsBytes) {
        ::close(descriptor);
        return FileState::Broken;
    }
    QFile input;
    if (!input.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        detail = input.errorString();
        return FileState::Unopenable;
    }
    const QByteArray bytes = input.read(maxSettingsBytes + 1);
    input.close();
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError() || bytes.contains('\0') || bytes.size() > maxSettingsBytes)
        return FileState::Broken;
    const QSettings settings(file, QSettings::IniFormat);
    return settings.status() == QSettings::FormatError ? FileState::Broken : FileState::Fine;
}

// Renames the broken file to <file>.broken-<date>-<time>, with a counter after it when that name is taken; the new
// name, or empty when it could not be moved.
QString moveAside(const QString& settingsFile)
{
    const QString stem = settingsFile + QStringLiteral(".broken-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString aside = attempt == 0 ? stem : stem + QLatin1Char('-') + QString::number(attempt);
        // QFile::rename never replaces an existing file; a name already taken means trying the next one.
        if (QFile::rename(settingsFile, aside))
            return aside;
        if (!QFileInfo::exists(aside))
            return {};
    }
    return {};
}

bool parsedBool(const QVariant& raw, bool& value)
{
    if (raw.typeId() == QMetaType::Bool) {
        value = raw.toBool();
        return true;
    }
    if (raw.typeId() != QMetaType::QString)
        return false;
    const QString text = raw.toString();
    if (text != QLatin1String("true") && text != QLatin1String("false"))
        return false;
    value = text == QLatin1String("true");
    return true;
}

bool parsedInt(const QVariant& raw, int& value)
{
    if (raw.typeId() == QMetaType::Int) {
        value = raw.toInt();
        return true;
    }
    if (raw.typeId() != QMetaType::QString)
        return false;
    bool number = false;
    value = raw.toString().toInt(&number, 10);
    return number;
}

} // namespace

Settings::Settings(QString file) : path(std::move(file))
{
    load();
}

void Settings::load()
{
    if (path.isEmpty()) {
        writable = false;
        return;
    }
    QString detail;
    switch (examine(path, detail)) {
    case FileState::Missing:
        return;
    case FileState::Special:
    case FileState::Unopenable:
        writable = false;
        trouble = {SettingsProblem::Kind::Unreadable, path, {}, detail};
        qCWarning(lcSettings) << "cannot read the settings file" << path << detail;
        return;
    case FileState::Broken: {
        const QString aside = moveAside(path);
        if (aside.isEmpty()) {
            writable = false;
            trouble = {SettingsProblem::Kind::CannotMoveAside, path, {}, {}};
            qCWarning(lcSettings) << "the settings file is broken and cannot be moved aside:" << path;
        } else {
            trouble = {SettingsProblem::Kind::MovedAside, path, aside, {}};
            qCWarning(lcSettings) << "the settings file was broken and is kept as" << aside;
        }
        return;
    }
    case FileState::Fine:
        break;
    }
    const QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        writable = false;
        trouble = {SettingsProblem::Kind::Unreadable, path, {}, {}};
        qCWarning(lcSettings) << "cannot read the settings file" << path << "status" << settings.status();
        return;
    }
    for (const QString& key : settings.allKeys())
        values[key] = settings.value(key);
}

QVariant Settings::raw(const char* key) const
{
    const auto found = values.find(QString::fromLatin1(key));
    return found == values.end() ? QVariant() : found->second;
}

bool Settings::value(const Setting<bool>& setting) const
{
    bool value = setting.fallback;
    return parsedBool(raw(setting.key), value) ? value : setting.fallback;
}

int Settings::value(const Setting<int>& setting) const
{
    int value = setting.fallback;
    if (!parsedInt(raw(setting.key), value) || value < setting.lowest || value > setting.highest)
        return setting.fallback;
    return value;
}

QByteArray Settings::value(const Setting<QByteArray>& setting) const
{
    const QVariant stored = raw(setting.key);
    if (stored.typeId() != QMetaType::QByteArray)
        return {};
    const QByteArray bytes = stored.toByteArray();
    if (bytes.size() > setting.maxBytes || bytes.contains('\0'))
        return {};
    return bytes;
}

bool Settings::setValue(const Setting<bool>& setting, bool value)
{
    return store(setting.key, value);
}

bool Settings::setValue(const Setting<int>& setting, int value)
{
    return store(setting.key, std::clamp(value, setting.lowest, setting.highest));
}

bool Settings::setValue(const Setting<QByteArray>& setting, const QByteArray& value)
{
    return store(setting.key, value.left(setting.maxBytes));
}

bool Settings::remove(const char* key)
{
    return store(key, QVariant());
}

QString Settings::writtenFile() const
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString target = info.canonicalFilePath();
    return target.isEmpty() ? info.symLinkTarget() : target;
}

bool Settings::store(const char* key, const QVariant& value)
{
    const QString name = QString::fromLatin1(key);
    const bool removing = !value.isValid();
    if (removing) {
        // Forgetting what was never remembered leaves the disk alone.
        if (values.erase(name) == 0)
            return true;
    } else {
        values[name] = value;
    }
    if (path.isEmpty())
        return true;
    const auto notKept = [&](const QString& detail) {
        trouble = {SettingsProblem::Kind::NotKept, path, {}, detail};
        qCWarning(lcSettings) << "cannot write the settings file" << path << detail;
        return false;
    };
    if (!writable)
        return notKept(QStringLiteral("the file is left as it is"));
    const QString file = writtenFile();
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return notKept(QStringLiteral("cannot create its folder"));
    // QSettings writes through a temporary file renamed over the old one, so a crash leaves the old file whole.
    QSettings settings(file, QSettings::IniFormat);
    if (removing)
        settings.remove(name);
    else
        settings.setValue(name, value);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return notKept(QStringLiteral("QSettings status %1").arg(static_cast<int>(settings.status())));
    if (trouble.kind == SettingsProblem::Kind::NotKept)
        trouble = {};
    return true;
}

} // namespace fururupo
