#include "player/list_choice.h"

#include "platform/program_folder.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QVariant>

#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fururupo {

namespace {

namespace fs = std::filesystem;

const QString pathKey = QStringLiteral("list/path");
constexpr std::int64_t maxListBytes = 16 * 1024 * 1024;
// A remembered path longer than any the system accepts is not one this program wrote.
constexpr qsizetype maxRememberedBytes = 4096;
// Ours holds one path; a settings file far larger was written by something else.
constexpr qint64 maxSettingsBytes = 1024 * 1024;

bool isGone(const fs::path& file)
{
    std::error_code error;
    return fs::status(file, error).type() == fs::file_type::not_found;
}

std::u16string fallbackNotice(const fs::path& file, bool fromEarlierRun)
{
    const std::u16string which = fromEarlierRun ? u"前に選んだ単語リスト" : u"選んだ単語リスト";
    const std::u16string what = isGone(file) ? u"が見つからないので" : u"が使えないので";
    return which + what + u"、MSG.txt で遊びます：" + displayPath(file);
}

std::u16string couldNotRememberNotice(const QString& settingsFile)
{
    return u"選んだ単語リストを次回のために覚えておけませんでした：" + settingsFile.toStdU16String();
}

// Qt's INI reader accepts almost any bytes without complaint, and writing back would lose them: what is not UTF-8
// text, or holds NUL bytes, counts as broken just as what the reader rejects.
bool looksBroken(const QString& settingsFile)
{
    QFile file(settingsFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() > maxSettingsBytes)
        return true;
    const QByteArray bytes = file.readAll();
    file.close();
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError() || bytes.contains('\0'))
        return true;
    const QSettings settings(settingsFile, QSettings::IniFormat);
    return settings.status() == QSettings::FormatError;
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

} // namespace

QString defaultSettingsFile()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/fururupo/fururupo.conf");
}

ListChoice::ListChoice(ListFolders folders, QString settingsFile)
    : folders(std::move(folders)), settingsFile(std::move(settingsFile)), found(findLists(this->folders)),
      current(found.front())
{
    restore();
}

void ListChoice::refresh()
{
    found = findLists(folders);
    if (chosenIsBundledDefault()) {
        current = found.front();
        return;
    }
    if (!whyNotAList(current.path).empty()) {
        message = fallbackNotice(current.path, false);
        current = found.front();
        return;
    }
    current = entryFor(current.path);
}

bool ListChoice::chosenIsBundledDefault() const
{
    return current.path == bundledDefault();
}

bool ListChoice::choose(const std::filesystem::path& file)
{
    const std::u16string reason = whyNotAList(file);
    if (!reason.empty()) {
        message = reason;
        return false;
    }
    std::error_code error;
    fs::path absolute = fs::absolute(file, error);
    if (error)
        absolute = file;
    message.clear();
    current = entryFor(absolute);
    remember(chosenIsBundledDefault() ? nullptr : &current.path);
    return true;
}

void ListChoice::chooseDefault()
{
    message.clear();
    current = found.front();
    remember(nullptr);
}

std::u16string ListChoice::whyNotAList(const std::filesystem::path& file)
{
    const std::u16string shown = displayPath(file);
    std::error_code error;
    const fs::file_type type = fs::status(file, error).type();
    if (file.empty() || type == fs::file_type::not_found)
        return u"ファイルが見つかりません：" + shown;
    if (type == fs::file_type::directory)
        return u"フォルダーは単語リストにできません：" + shown;
    if (!error && type != fs::file_type::regular)
        return u"ふつうのファイルではないので単語リストにできません：" + shown;

    // Opening decides what the permissions really allow; non-blocking, in case a pipe has taken the file's place.
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return u"ファイルを開けないので単語リストにできません：" + shown;
    struct stat status
    {
    };
    const bool known = ::fstat(descriptor, &status) == 0;
    ::close(descriptor);
    if (!known)
        return u"ファイルを開けないので単語リストにできません：" + shown;
    if (S_ISDIR(status.st_mode))
        return u"フォルダーは単語リストにできません：" + shown;
    if (!S_ISREG(status.st_mode))
        return u"ふつうのファイルではないので単語リストにできません：" + shown;
    if (status.st_size > maxListBytes)
        return u"16 MiB を超えるファイルは単語リストにできません：" + shown;
    return {};
}

void ListChoice::restore()
{
    if (!openSettingsForUse())
        return;
    const QSettings settings(settingsFile, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        if (QFileInfo::exists(settingsFile))
            message =
                u"設定ファイルを読めないので、前に選んだ単語リストがわかりません：" + settingsFile.toStdU16String();
        return;
    }
    // Whatever is in the file may have been written by anyone: only a path this program could have saved is taken.
    const QVariant value = settings.value(pathKey);
    if (value.typeId() != QMetaType::QByteArray)
        return;
    const QByteArray bytes = value.toByteArray();
    if (bytes.isEmpty() || bytes.size() > maxRememberedBytes || bytes.contains('\0'))
        return;
    const fs::path file(bytes.toStdString());
    if (!file.is_absolute())
        return;
    if (!whyNotAList(file).empty()) {
        message = fallbackNotice(file, true);
        return;
    }
    current = entryFor(file);
}

bool ListChoice::openSettingsForUse()
{
    if (settingsFile.isEmpty() || !settingsUsable)
        return false;
    if (!QFileInfo(settingsFile).isFile() || !looksBroken(settingsFile))
        return true;
    const QString aside = moveAside(settingsFile);
    if (aside.isEmpty()) {
        settingsUsable = false;
        message = u"設定ファイルが壊れていて別の名前に移せないので、選んだ単語リストを覚えておけません：" +
                  settingsFile.toStdU16String();
        return false;
    }
    message = u"設定ファイルが壊れていたので別の名前で残し、新しく始めます：" + aside.toStdU16String();
    return true;
}

void ListChoice::remember(const std::filesystem::path* file)
{
    if (settingsFile.isEmpty())
        return;
    if (!openSettingsForUse()) {
        message = couldNotRememberNotice(settingsFile);
        return;
    }
    // Forgetting when nothing was ever remembered leaves the disk alone.
    if (!file && !QFileInfo::exists(settingsFile))
        return;
    if (!QDir().mkpath(QFileInfo(settingsFile).absolutePath())) {
        message = couldNotRememberNotice(settingsFile);
        return;
    }
    // QSettings writes through a temporary file renamed over the old one, so a crash leaves the old file whole.
    QSettings settings(settingsFile, QSettings::IniFormat);
    if (file)
        settings.setValue(pathKey, QByteArray::fromStdString(file->native()));
    else
        settings.remove(pathKey);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        message = couldNotRememberNotice(settingsFile);
}

ListFile ListChoice::entryFor(const std::filesystem::path& file)
{
    for (const ListFile& list : found)
        if (list.path == file)
            return list;
    struct stat wanted
    {
    };
    if (::stat(file.c_str(), &wanted) == 0) {
        for (const ListFile& list : found) {
            struct stat status
            {
            };
            if (::stat(list.path.c_str(), &status) == 0 && status.st_dev == wanted.st_dev &&
                status.st_ino == wanted.st_ino)
                return list;
        }
    }
    found.push_back({file, displayPath(file.filename()), ListFile::Origin::Picked});
    return found.back();
}

std::filesystem::path ListChoice::bundledDefault() const
{
    return folders.programFolder / "MSG.txt";
}

} // namespace fururupo
