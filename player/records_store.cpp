#include "player/records_store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <unistd.h>

namespace fururupo {
namespace {

constexpr int currentVersion = 2;

// Bounds of what a game can hold; anything outside them is refused on saving and skipped on reading.
constexpr std::int32_t maxSeconds = 86400;
constexpr std::int32_t maxKeys = 10'000'000;
constexpr std::int32_t maxWordMistakes = 1'000'000;
constexpr std::int32_t maxKanaTyped = 1'000'000;
constexpr qsizetype maxWordLength = 256;
constexpr qsizetype maxKanaLength = 4;

// A games row (as g) whose every value is possible. The columns carry no constraints beyond their keys, since a file
// edited by hand would not keep them anyway: what is read back is checked here instead.
constexpr const char* validGame = "(typeof(g.played_at) = 'text' AND length(g.played_at) BETWEEN 20 AND 35"
                                  " AND substr(g.played_at, 5, 1) = '-' AND substr(g.played_at, 11, 1) = 'T'"
                                  " AND julianday(g.played_at) IS NOT NULL"
                                  " AND typeof(g.speed) = 'integer' AND g.speed BETWEEN 0 AND 2"
                                  " AND typeof(g.finished) = 'integer' AND g.finished IN (0, 1)"
                                  " AND typeof(g.practice) = 'integer' AND g.practice IN (0, 1)"
                                  " AND typeof(g.seconds) = 'integer' AND g.seconds BETWEEN 0 AND 86400"
                                  " AND typeof(g.keys) = 'integer' AND g.keys BETWEEN 0 AND 10000000"
                                  " AND typeof(g.mistakes) = 'integer' AND g.mistakes BETWEEN 0 AND g.keys)";

// A game_words row (as w) whose every value is possible.
constexpr const char* validWord = "(typeof(w.word) = 'text' AND length(w.word) BETWEEN 1 AND 256"
                                  " AND typeof(w.answer) = 'text' AND length(w.answer) <= 256"
                                  " AND typeof(w.seconds) = 'integer' AND w.seconds BETWEEN 0 AND 86400"
                                  " AND typeof(w.timed_out) = 'integer' AND w.timed_out IN (0, 1)"
                                  " AND typeof(w.mistakes) = 'integer' AND w.mistakes BETWEEN 0 AND 1000000)";

// A list_words row (as w) and a list_kana row (as k) whose every value is possible.
constexpr const char* validWordTotal = "(typeof(w.word) = 'text' AND length(w.word) BETWEEN 1 AND 256"
                                       " AND typeof(w.shown) = 'integer' AND w.shown BETWEEN 1 AND 1000000000000"
                                       " AND typeof(w.missed) = 'integer' AND w.missed BETWEEN 0 AND w.shown"
                                       " AND typeof(w.timed_out) = 'integer' AND w.timed_out BETWEEN 0 AND w.missed)";
constexpr const char* validKanaTotal = "(typeof(k.kana) = 'text' AND length(k.kana) BETWEEN 1 AND 4"
                                       " AND typeof(k.typed) = 'integer' AND k.typed BETWEEN 0 AND 1000000000000"
                                       " AND typeof(k.missed) = 'integer' AND k.missed BETWEEN 0 AND k.typed)";

// Version 1: the games and their words.
constexpr const char* schemaVersion1[] = {
    "CREATE TABLE games (id INTEGER PRIMARY KEY, played_at TEXT, list_path TEXT, list_hash TEXT, list_name TEXT,"
    " speed INTEGER, finished INTEGER, seconds INTEGER, keys INTEGER, mistakes INTEGER)",
    "CREATE INDEX games_by_list ON games (list_hash, speed, finished)",
    "CREATE TABLE game_words (game_id INTEGER NOT NULL REFERENCES games (id) ON DELETE CASCADE,"
    " position INTEGER NOT NULL, word TEXT, answer TEXT, seconds INTEGER, timed_out INTEGER, mistakes INTEGER,"
    " PRIMARY KEY (game_id, position)) WITHOUT ROWID",
};

// Version 2: practice games, the kana of each game, and the words' and kana's totals for each list. The primary keys
// of the games' rows start with game_id, so they serve as the indexes that deleting a game's rows needs. The totals
// are added to in the same transaction as each game: summing a list's rows of every game instead takes seconds once
// a list has thousands of games (docs/performance.md).
constexpr const char* schemaVersion2[] = {
    "ALTER TABLE games ADD COLUMN practice INTEGER NOT NULL DEFAULT 0",
    "CREATE TABLE game_kana (game_id INTEGER NOT NULL REFERENCES games (id) ON DELETE CASCADE,"
    " kana TEXT NOT NULL, typed INTEGER, missed INTEGER, PRIMARY KEY (game_id, kana)) WITHOUT ROWID",
    "CREATE TABLE list_words (list_hash TEXT NOT NULL, word TEXT NOT NULL, shown INTEGER, missed INTEGER,"
    " timed_out INTEGER, PRIMARY KEY (list_hash, word)) WITHOUT ROWID",
    "CREATE TABLE list_kana (list_hash TEXT NOT NULL, kana TEXT NOT NULL, typed INTEGER, missed INTEGER,"
    " PRIMARY KEY (list_hash, kana)) WITHOUT ROWID",
};

// SQLite's primary result codes, as the driver gives them in nativeErrorCode (extended codes carry them in the low
// byte).
constexpr int sqliteBusy = 5;
constexpr int sqliteLocked = 6;
constexpr int sqliteReadOnly = 8;
constexpr int sqliteCorrupt = 11;
constexpr int sqliteFull = 13;
constexpr int sqliteNotADatabase = 26;

int resultCode(const QSqlError& error)
{
    bool number = false;
    const int code = error.nativeErrorCode().toInt(&number);
    return number ? (code & 0xff) : -1;
}

bool damaged(const QSqlError& error)
{
    const int code = resultCode(error);
    return code == sqliteCorrupt || code == sqliteNotADatabase;
}

QString detailOf(const QSqlError& error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.trimmed().isEmpty() ? QString() : QStringLiteral("（%1）").arg(text.trimmed());
}

bool exists(const QString& file)
{
    return QFileInfo::exists(file) || QFileInfo(file).isSymLink();
}

// A file with bytes that do not begin as an SQLite database does, told before SQLite opens it (and, finding no
// database, would reset a log file lying beside it).
bool plainlyNotADatabase(const QString& file)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly) || input.size() == 0)
        return false;
    return input.read(16) != QByteArray("SQLite format 3", 16);
}

bool plausible(const GameRecord& game)
{
    const int year = game.playedAt.toUTC().date().year();
    if (!game.playedAt.isValid() || year < 1 || year > 9999 || game.seconds < 0 || game.seconds > maxSeconds ||
        game.keys < 0 || game.keys > maxKeys || game.mistakes < 0 || game.mistakes > game.keys)
        return false;
    const int speed = static_cast<int>(game.speed);
    if (speed < 0 || speed > 2)
        return false;
    for (const WordOutcome& word : game.words) {
        if (word.word.empty() || static_cast<qsizetype>(word.word.size()) > maxWordLength ||
            static_cast<qsizetype>(word.answer.size()) > maxWordLength || word.seconds < 0 ||
            word.seconds > maxSeconds || word.mistakes < 0 || word.mistakes > maxWordMistakes)
            return false;
    }
    for (const KanaCount& kana : game.kana) {
        if (kana.kana.empty() || static_cast<qsizetype>(kana.kana.size()) > maxKanaLength || kana.typed < 0 ||
            kana.typed > maxKanaTyped || kana.missed < 0 || kana.missed > kana.typed)
            return false;
    }
    return true;
}

// The game's kana with any repeated one added into its first showing, since a game keeps one row for each kana.
std::vector<KanaCount> mergedKana(const std::vector<KanaCount>& kana)
{
    std::vector<KanaCount> merged;
    for (const KanaCount& count : kana) {
        auto same =
            std::find_if(merged.begin(), merged.end(), [&](const KanaCount& k) { return k.kana == count.kana; });
        if (same == merged.end()) {
            merged.push_back(count);
        } else {
            same->typed = std::min(maxKanaTyped, same->typed + count.typed);
            same->missed = std::min(same->typed, same->missed + count.missed);
        }
    }
    return merged;
}

QString hashText(const QByteArray& hash)
{
    return QString::fromLatin1(hash);
}

bool isInteger(const QVariant& value)
{
    return value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int;
}

QString pathLine(const char* sentence, const QString& path)
{
    return QString::fromUtf8(sentence) + path;
}

} // namespace

RecordsStore::RecordsStore(QString file) : path(std::move(file))
{
    static std::atomic<quint64> serial{0};
    connection = QStringLiteral("fururupo-records-%1-%2").arg(::getpid()).arg(serial++);
}

RecordsStore::~RecordsStore()
{
    if (!connectionAdded)
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

QString RecordsStore::defaultFile()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data)) {
        const QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty() || !QDir::isAbsolutePath(home))
            return {};
        data = home + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(data) + QStringLiteral("/fururupo/records.sqlite3");
}

void RecordsStore::setBusyTimeout(int milliseconds)
{
    busyTimeout = std::max(0, milliseconds);
    if (state == Status::Ready || state == Status::ReadOnly)
        applyLimits();
}

void RecordsStore::setPageLimit(int pages)
{
    pageLimit = std::max(0, pages);
    if (state == Status::Ready || state == Status::ReadOnly)
        applyLimits();
}

void RecordsStore::applyLimits()
{
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(busyTimeout));
    // SQLite's own cap is a little over four billion pages; asking for it lifts an earlier cap.
    query.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pageLimit > 0 ? pageLimit : 4294967294LL));
}

void RecordsStore::say(const QString& line, bool passing)
{
    message = line.toStdU16String();
    messagePasses = passing;
}

void RecordsStore::succeeded()
{
    if (messagePasses) {
        message.clear();
        messagePasses = false;
    }
}

RecordsStore::Opening RecordsStore::connect()
{
    if (!connectionAdded) {
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        connectionAdded = true;
    }
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (!db.isValid()) {
        say(QStringLiteral("成績を保存するための SQLite が見つかりません。この回の成績は保存しません。"), false);
        return Opening::Failed;
    }
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeout));
    const bool fileWasThere = exists(path);
    if (fileWasThere && plainlyNotADatabase(path))
        return Opening::Broken;
    const QString cannot = pathLine(fileWasThere ? "成績のファイルを開けません。この回の成績は保存しません："
                                                 : "成績のファイルを作れません。この回の成績は保存しません：",
                                    path);
    if (!db.open()) {
        const QSqlError error = db.lastError();
        if (damaged(error))
            return Opening::Broken;
        say(cannot + detailOf(error), false);
        return Opening::Failed;
    }
    // Every failure below comes back through here once its query has gone, so nothing outlives the connection.
    const auto failed = [&](const QSqlError& error) {
        db.close();
        if (damaged(error))
            return Opening::Broken;
        if (resultCode(error) == sqliteBusy || resultCode(error) == sqliteLocked)
            return Opening::Busy;
        say(cannot + detailOf(error), false);
        return Opening::Failed;
    };

    int version = 0;
    QSqlError error;
    {
        QSqlQuery query(db);
        if (query.exec(QStringLiteral("PRAGMA user_version")) && query.next())
            version = query.value(0).toInt();
        else
            error = query.lastError();
    }
    if (error.isValid())
        return failed(error);
    if (version > currentVersion) {
        db.close();
        return Opening::Newer;
    }
    // The quick check reads every page but matches no index against its table: the cheapest look that finds a file
    // cut short or overwritten, before a game is saved into it.
    bool healthy = false;
    {
        QSqlQuery query(db);
        if (query.exec(QStringLiteral("PRAGMA quick_check")) && query.next())
            healthy = query.value(0).toString() == QLatin1String("ok");
        else
            error = query.lastError();
    }
    if (error.isValid())
        return failed(error);
    if (!healthy) {
        db.close();
        return Opening::Broken;
    }
    const bool writable = ::access(QFile::encodeName(path).constData(), W_OK) == 0;
    {
        QSqlQuery query(db);
        // Write-ahead logging: a save appends to the log without waiting for the disk, and a game saving never holds
        // up another one reading. Synchronous NORMAL loses nothing committed when the process is killed; only a power
        // cut can lose the last games.
        if (writable)
            query.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
        query.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
        query.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    }
    applyLimits();
    if (version == currentVersion)
        return writable ? Opening::Ready : Opening::ReadOnly;
    if (!writable) {
        db.close();
        say(pathLine("成績のファイルに書き込めないので、開けません。この回の成績は保存しません：", path), false);
        return Opening::Failed;
    }
    {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            error = query.lastError();
        } else {
            error = migrate(version);
            if (!error.isValid() && !query.exec(QStringLiteral("COMMIT")))
                error = query.lastError();
            if (error.isValid())
                query.exec(QStringLiteral("ROLLBACK"));
        }
    }
    if (error.isValid())
        return failed(error);
    return Opening::Ready;
}

QSqlError RecordsStore::migrate(int version)
{
    QSqlQuery query(QSqlDatabase::database(connection, false));
    // Another game may have brought the file up to date since it was opened; inside the transaction it cannot.
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return query.lastError();
    version = query.value(0).toInt();
    query.finish();
    const auto run = [&](const auto& statements) {
        for (const char* statement : statements)
            if (!query.exec(QString::fromUtf8(statement)))
                return false;
        return true;
    };
    if (version < 1 && !run(schemaVersion1))
        return query.lastError();
    if (version < 2) {
        if (!run(schemaVersion2))
            return query.lastError();
        // The words of the games already kept start the totals; those games counted no kana.
        if (!query.exec(QStringLiteral("INSERT INTO list_words (list_hash, word, shown, missed, timed_out)"
                                       " SELECT g.list_hash, w.word, COUNT(*), SUM(w.mistakes > 0 OR w.timed_out = 1),"
                                       " SUM(w.timed_out) FROM games g JOIN game_words w ON w.game_id = g.id"
                                       " WHERE typeof(g.list_hash) = 'text' AND %1 AND %2 GROUP BY g.list_hash, w.word")
                            .arg(QLatin1String(validGame), QLatin1String(validWord))))
            return query.lastError();
    }
    if (!query.exec(QStringLiteral("PRAGMA user_version = %1").arg(currentVersion)))
        return query.lastError();
    return {};
}

RecordsStore::Opening RecordsStore::connectAfresh()
{
    const QString aside = moveAside();
    if (aside.isEmpty()) {
        say(pathLine("成績のファイルが壊れていて、よけることもできません。この回の成績は保存しません：", path), false);
        return Opening::Failed;
    }
    const Opening opening = connect();
    if (opening == Opening::Ready || opening == Opening::ReadOnly)
        say(QStringLiteral("成績のファイルが壊れていたので %1 に移し、新しく始めました。").arg(aside), false);
    return opening == Opening::Broken ? Opening::Failed : opening;
}

// Renames the file to <file>.broken-<date>-<time>, with a counter after it when that name is taken, and its log and
// shared-memory files beside it with the same name; the new name, or empty when it could not be moved.
QString RecordsStore::moveAside()
{
    const QString stem =
        path + QStringLiteral(".broken-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const QString aside = attempt == 1 ? stem : stem + QLatin1Char('-') + QString::number(attempt);
        if (exists(aside) || exists(aside + QStringLiteral("-wal")) || exists(aside + QStringLiteral("-shm")))
            continue;
        if (!QFile::rename(path, aside))
            return {};
        for (const QLatin1String suffix : {QLatin1String("-wal"), QLatin1String("-shm"), QLatin1String("-journal")})
            if (exists(path + suffix))
                QFile::rename(path + suffix, aside + suffix);
        return aside;
    }
    return {};
}

bool RecordsStore::open()
{
    switch (state) {
    case Status::Ready:
    case Status::ReadOnly:
        return true;
    case Status::NewerVersion:
    case Status::Unavailable:
        return false;
    case Status::Unopened:
        break;
    }
    if (path.isEmpty()) {
        state = Status::Unavailable;
        return false;
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        state = Status::Unavailable;
        say(pathLine("成績のフォルダを作れません。この回の成績は保存しません：", folder), false);
        return false;
    }
    Opening opening = connect();
    if (opening == Opening::Broken)
        opening = connectAfresh();
    switch (opening) {
    case Opening::Ready:
        state = Status::Ready;
        return true;
    case Opening::ReadOnly:
        state = Status::ReadOnly;
        say(pathLine("成績のファイルに書き込めないので、成績は保存しません：", path), false);
        return true;
    case Opening::Newer:
        state = Status::NewerVersion;
        say(pathLine("成績のファイルは新しい版のふるるぽで作られています。この版では成績を保存しません：", path),
            false);
        return false;
    case Opening::Busy:
        // Another game is bringing the file up to date: the next call tries again.
        say(pathLine("成績のファイルがほかのふるるぽに使われていて、開けませんでした：", path), true);
        return false;
    case Opening::Broken:
    case Opening::Failed:
        state = Status::Unavailable;
        return false;
    }
    return false;
}

bool RecordsStore::recover()
{
    QSqlDatabase::database(connection, false).close();
    const Opening opening = connectAfresh();
    state = opening == Opening::Ready      ? Status::Ready
            : opening == Opening::ReadOnly ? Status::ReadOnly
                                           : Status::Unavailable;
    return state == Status::Ready;
}

void RecordsStore::readFailed(const QSqlError& error)
{
    if (damaged(error))
        recover();
    else
        say(pathLine("成績を読めませんでした：", path) + detailOf(error), true);
}

bool RecordsStore::save(const GameRecord& game)
{
    if (game.words.empty())
        return false;
    if (!plausible(game)) {
        say(pathLine("ありえない値のある成績なので、保存しませんでした：", path), true);
        return false;
    }
    if (!open() || state != Status::Ready)
        return false;
    QString detail;
    Fault fault = write(game, detail);
    // A file found damaged while saving is moved aside, and the game goes into the new one.
    if (fault == Fault::Corrupt && recover())
        fault = write(game, detail);
    return changed(fault, detail, "保存");
}

bool RecordsStore::changed(Fault fault, const QString& detail, const char* action)
{
    const QString verb = QString::fromUtf8(action);
    switch (fault) {
    case Fault::None:
        succeeded();
        return true;
    case Fault::Busy:
        say(QStringLiteral("成績のファイルがほかのふるるぽに使われていて、%1できませんでした：").arg(verb) + path,
            true);
        break;
    case Fault::Full:
        say(QStringLiteral("ディスクがいっぱいで、成績を%1できませんでした：").arg(verb) + path, true);
        break;
    case Fault::ReadOnly:
        state = Status::ReadOnly;
        say(QStringLiteral("成績のファイルに書き込めないので、成績は%1しません：").arg(verb) + path, false);
        break;
    case Fault::Corrupt:
        // Only when the file found damaged could not be replaced, or its replacement is damaged too.
        if (state == Status::Ready)
            say(QStringLiteral("成績のファイルが壊れていて、成績を%1できませんでした：").arg(verb) + path, true);
        break;
    case Fault::Other:
        say(QStringLiteral("成績を%1できませんでした：").arg(verb) + path + detail, true);
        break;
    }
    return false;
}

RecordsStore::Fault RecordsStore::transact(const std::function<QSqlError(QSqlDatabase&)>& body, QString& detail)
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    QSqlError error;
    {
        QSqlQuery begin(db);
        if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
            error = begin.lastError();
    }
    if (!error.isValid()) {
        error = body(db);
        if (!error.isValid()) {
            QSqlQuery commit(db);
            if (commit.exec(QStringLiteral("COMMIT")))
                return Fault::None;
            error = commit.lastError();
        }
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    }
    detail = detailOf(error);
    switch (resultCode(error)) {
    case sqliteBusy:
    case sqliteLocked:
        return Fault::Busy;
    case sqliteFull:
        return Fault::Full;
    case sqliteReadOnly:
        return Fault::ReadOnly;
    case sqliteCorrupt:
    case sqliteNotADatabase:
        return Fault::Corrupt;
    default:
        return Fault::Other;
    }
}

RecordsStore::Fault RecordsStore::write(const GameRecord& game, QString& detail)
{
    return transact(
        [&](QSqlDatabase& db) {
            QSqlQuery query(db);
            query.prepare(QStringLiteral("INSERT INTO games (played_at, list_path, list_hash, list_name, speed,"
                                         " finished, practice, seconds, keys, mistakes)"
                                         " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
            query.addBindValue(game.playedAt.toUTC().toString(Qt::ISODateWithMs));
            query.addBindValue(game.listPath);
            query.addBindValue(hashText(game.listHash));
            query.addBindValue(game.listName);
            query.addBindValue(static_cast<int>(game.speed));
            query.addBindValue(game.finished ? 1 : 0);
            query.addBindValue(game.practice ? 1 : 0);
            query.addBindValue(game.seconds);
            query.addBindValue(game.keys);
            query.addBindValue(game.mistakes);
            if (!query.exec())
                return query.lastError();
            const qlonglong id = query.lastInsertId().toLongLong();

            QSqlQuery words(db);
            if (!words.prepare(QStringLiteral("INSERT INTO game_words (game_id, position, word, answer, seconds,"
                                              " timed_out, mistakes) VALUES (?, ?, ?, ?, ?, ?, ?)")))
                return words.lastError();
            QSqlQuery wordTotal(db);
            if (!wordTotal.prepare(QStringLiteral(
                    "INSERT INTO list_words (list_hash, word, shown, missed, timed_out) VALUES (?, ?, 1, ?, ?)"
                    " ON CONFLICT (list_hash, word) DO UPDATE SET shown = shown + 1,"
                    " missed = missed + excluded.missed, timed_out = timed_out + excluded.timed_out")))
                return wordTotal.lastError();
            int position = 0;
            for (const WordOutcome& word : game.words) {
                words.bindValue(0, id);
                words.bindValue(1, position++);
                words.bindValue(2, QString::fromStdU16String(word.word));
                words.bindValue(3, QString::fromStdU16String(word.answer));
                words.bindValue(4, word.seconds);
                words.bindValue(5, word.timedOut ? 1 : 0);
                words.bindValue(6, word.mistakes);
                if (!words.exec())
                    return words.lastError();
                wordTotal.bindValue(0, hashText(game.listHash));
                wordTotal.bindValue(1, QString::fromStdU16String(word.word));
                wordTotal.bindValue(2, word.mistakes > 0 || word.timedOut ? 1 : 0);
                wordTotal.bindValue(3, word.timedOut ? 1 : 0);
                if (!wordTotal.exec())
                    return wordTotal.lastError();
            }

            QSqlQuery kana(db);
            if (!kana.prepare(
                    QStringLiteral("INSERT INTO game_kana (game_id, kana, typed, missed) VALUES (?, ?, ?, ?)")))
                return kana.lastError();
            QSqlQuery kanaTotal(db);
            if (!kanaTotal.prepare(
                    QStringLiteral("INSERT INTO list_kana (list_hash, kana, typed, missed)"
                                   " VALUES (?, ?, ?, ?) ON CONFLICT (list_hash, kana) DO UPDATE SET"
                                   " typed = typed + excluded.typed, missed = missed + excluded.missed")))
                return kanaTotal.lastError();
            for (const KanaCount& count : mergedKana(game.kana)) {
                kana.bindValue(0, id);
                kana.bindValue(1, QString::fromStdU16String(count.kana));
                kana.bindValue(2, count.typed);
                kana.bindValue(3, count.missed);
                if (!kana.exec())
                    return kana.lastError();
                kanaTotal.bindValue(0, hashText(game.listHash));
                kanaTotal.bindValue(1, QString::fromStdU16String(count.kana));
                kanaTotal.bindValue(2, count.typed);
                kanaTotal.bindValue(3, count.missed);
                if (!kanaTotal.exec())
                    return kanaTotal.lastError();
            }
            return QSqlError();
        },
        detail);
}

bool RecordsStore::forget(const QStringList& statements, const QString& hash)
{
    if (!open() || state != Status::Ready)
        return false;
    const auto body = [&](QSqlDatabase& db) {
        for (const QString& statement : statements) {
            QSqlQuery query(db);
            query.prepare(statement);
            if (!hash.isNull())
                query.addBindValue(hash);
            if (!query.exec())
                return query.lastError();
        }
        return QSqlError();
    };
    QString detail;
    Fault fault = transact(body, detail);
    // Forgetting a damaged file's games is done once it is moved aside: the new file holds none.
    if (fault == Fault::Corrupt && recover())
        fault = Fault::None;
    return changed(fault, detail, "消去");
}

bool RecordsStore::forgetList(const QByteArray& listHash)
{
    return forget({QStringLiteral("DELETE FROM games WHERE list_hash = ?"),
                   QStringLiteral("DELETE FROM list_words WHERE list_hash = ?"),
                   QStringLiteral("DELETE FROM list_kana WHERE list_hash = ?")},
                  hashText(listHash));
}

bool RecordsStore::forgetAll()
{
    // The words and kana go first, so that rows whose game is already gone go too.
    return forget({QStringLiteral("DELETE FROM game_kana"), QStringLiteral("DELETE FROM game_words"),
                   QStringLiteral("DELETE FROM games"), QStringLiteral("DELETE FROM list_words"),
                   QStringLiteral("DELETE FROM list_kana")},
                  QString());
}

std::optional<std::int32_t> RecordsStore::best(const QByteArray& listHash, SpeedLevel speed)
{
    if (!open())
        return std::nullopt;
    std::optional<std::int32_t> fewest;
    QSqlError error;
    {
        QSqlQuery query(QSqlDatabase::database(connection, false));
        query.prepare(QStringLiteral("SELECT MIN(g.seconds) FROM games g WHERE g.list_hash = ? AND g.speed = ?"
                                     " AND g.finished = 1 AND g.practice = 0 AND %1")
                          .arg(QLatin1String(validGame)));
        query.addBindValue(hashText(listHash));
        query.addBindValue(static_cast<int>(speed));
        if (query.exec() && query.next()) {
            if (isInteger(query.value(0)))
                fewest = static_cast<std::int32_t>(query.value(0).toLongLong());
        } else {
            error = query.lastError();
        }
    }
    if (error.isValid())
        readFailed(error);
    else
        succeeded();
    return fewest;
}

History RecordsStore::history(const QByteArray& listHash, SpeedLevel speed)
{
    History result;
    if (!open())
        return result;
    const QString hash = hashText(listHash);
    QSqlError error;
    {
        QSqlQuery query(QSqlDatabase::database(connection, false));
        query.setForwardOnly(true);
        // The time comes as milliseconds since the epoch, which SQLite works out faster than QDateTime parses.
        query.prepare(QStringLiteral("SELECT g.id, CAST(round((julianday(g.played_at) - 2440587.5) * 86400000.0)"
                                     " AS INTEGER), g.speed, g.finished, g.practice, g.seconds, g.keys,"
                                     " g.mistakes, %1 FROM games g WHERE g.list_hash = ?")
                          .arg(QLatin1String(validGame)));
        query.addBindValue(hash);
        if (query.exec()) {
            const qlonglong wanted = static_cast<int>(speed);
            while (query.next()) {
                if (query.value(8).toLongLong() != 1) {
                    ++result.skipped;
                    continue;
                }
                if (query.value(2).toLongLong() != wanted || query.value(3).toLongLong() != 1 ||
                    query.value(4).toLongLong() != 0)
                    continue;
                GamePoint point;
                point.playedAt = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong(), QTimeZone::utc());
                if (!point.playedAt.isValid()) {
                    ++result.skipped;
                    continue;
                }
                point.id = query.value(0).toLongLong();
                point.seconds = static_cast<std::int32_t>(query.value(5).toLongLong());
                point.keys = static_cast<std::int32_t>(query.value(6).toLongLong());
                point.mistakes = static_cast<std::int32_t>(query.value(7).toLongLong());
                // No time played gives no rate, and no keys typed means none was a mistake.
                point.keysPerMinute = point.seconds > 0 ? point.keys * 60.0 / point.seconds : 0.0;
                point.accuracy = point.keys > 0 ? 100.0 * (point.keys - point.mistakes) / point.keys : 100.0;
                result.games.push_back(point);
            }
        }
        error = query.lastError();
    }
    if (error.isValid()) {
        readFailed(error);
        return History{};
    }
    const auto earlier = [](const GamePoint& a, const GamePoint& b) {
        return a.playedAt != b.playedAt ? a.playedAt < b.playedAt : a.id < b.id;
    };
    std::sort(result.games.begin(), result.games.end(), earlier);
    result.best = result.games;
    std::stable_sort(result.best.begin(), result.best.end(),
                     [](const GamePoint& a, const GamePoint& b) { return a.seconds < b.seconds; });
    if (result.best.size() > 10)
        result.best.resize(10);
    if (!rankKana(hash, 10, result.kana, result.skipped) || !rankWords(hash, 10, result.words, result.skipped))
        return History{};
    succeeded();
    return result;
}

bool RecordsStore::rankKana(const QString& hash, std::size_t limit, std::vector<KanaMisses>& ranked,
                            std::int64_t& skipped)
{
    QSqlError error;
    {
        QSqlQuery query(QSqlDatabase::database(connection, false));
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT k.kana, k.typed, k.missed, %1 FROM list_kana k WHERE k.list_hash = ?")
                          .arg(QLatin1String(validKanaTotal)));
        query.addBindValue(hash);
        if (query.exec()) {
            while (query.next()) {
                if (query.value(3).toLongLong() != 1) {
                    ++skipped;
                    continue;
                }
                KanaMisses kana{query.value(0).toString(), query.value(1).toLongLong(), query.value(2).toLongLong()};
                if (kana.missed > 0 && kana.typed > 0)
                    ranked.push_back(std::move(kana));
            }
        }
        error = query.lastError();
    }
    if (error.isValid()) {
        readFailed(error);
        return false;
    }
    std::sort(ranked.begin(), ranked.end(), [](const KanaMisses& a, const KanaMisses& b) {
        // Division rounds correctly, so equal fractions such as 1/3 and 2/6 give the same rate and tie.
        if (a.rate() != b.rate())
            return a.rate() > b.rate();
        if (a.missed != b.missed)
            return a.missed > b.missed;
        return a.kana < b.kana;
    });
    if (ranked.size() > limit)
        ranked.resize(limit);
    return true;
}

bool RecordsStore::rankWords(const QString& hash, std::size_t limit, std::vector<WordMisses>& ranked,
                             std::int64_t& skipped)
{
    QSqlError error;
    {
        QSqlQuery query(QSqlDatabase::database(connection, false));
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT w.word, w.shown, w.missed, w.timed_out, %1 FROM list_words w"
                                     " WHERE w.list_hash = ?")
                          .arg(QLatin1String(validWordTotal)));
        query.addBindValue(hash);
        if (query.exec()) {
            while (query.next()) {
                if (query.value(4).toLongLong() != 1) {
                    ++skipped;
                    continue;
                }
                WordMisses word{query.value(0).toString(), query.value(1).toLongLong(), query.value(2).toLongLong(),
                                query.value(3).toLongLong()};
                if (word.missed > 0)
                    ranked.push_back(std::move(word));
            }
        }
        error = query.lastError();
    }
    if (error.isValid()) {
        readFailed(error);
        return false;
    }
    std::sort(ranked.begin(), ranked.end(), [](const WordMisses& a, const WordMisses& b) {
        if (a.missed != b.missed)
            return a.missed > b.missed;
        if (a.timedOut != b.timedOut)
            return a.timedOut > b.timedOut;
        return a.word < b.word;
    });
    if (ranked.size() > limit)
        ranked.resize(limit);
    return true;
}

std::vector<std::u16string> RecordsStore::missedWords(const QByteArray& listHash, int limit)
{
    std::vector<std::u16string> words;
    if (limit <= 0 || !open())
        return words;
    std::vector<WordMisses> ranked;
    std::int64_t skipped = 0;
    if (!rankWords(hashText(listHash), static_cast<std::size_t>(limit), ranked, skipped))
        return words;
    succeeded();
    for (const WordMisses& word : ranked)
        words.push_back(word.word.toStdU16String());
    return words;
}

QByteArray hashOfList(const std::filesystem::path& file)
{
    QFile input(QFile::decodeName(QByteArray::fromStdString(file.native())));
    if (!input.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray block(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 got = input.read(block.data(), block.size());
        if (got < 0)
            return {};
        if (got == 0)
            break;
        hash.addData(QByteArrayView(block.constData(), got));
    }
    return hash.result().toHex();
}

} // namespace fururupo
