#include "player/records_store.h"

#include "logic/game_results.h"
#include "player/logging.h"
#include "player/records_chart.h"
#include "player/records_keys.h"
#include "player/records_rows.h"
#include "player/records_schema.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>
#include <QVariant>

#include <algorithm>
#include <map>

namespace fururupo {
namespace {

using Kind = RecordsProblem::Kind;

constexpr std::size_t listedBest = 10;
constexpr std::size_t listedMisses = 10;

QString hashText(const QByteArray& hash)
{
    return QString::fromLatin1(hash);
}

records::Scope scopeOf(const QByteArray& hash, SpeedLevel speed, TypingStyle style)
{
    return {hashText(hash), static_cast<int>(speed), static_cast<int>(style)};
}

bool lasting(Kind kind)
{
    switch (kind) {
    case Kind::DiskFull:
    case Kind::Busy:
    case Kind::Damaged:
    case Kind::Impossible:
    case Kind::Failed:
        return false;
    default:
        return true;
    }
}

} // namespace

RecordsStore::RecordsStore(QString file) : records(std::move(file))
{
    retry.setInterval(1000);
    checkDelay.setSingleShot(true);
    checkDelay.setInterval(3000);
    QObject::connect(&checkDelay, &QTimer::timeout, [this] { records.startWantedCheck(); });
    QObject::connect(&retry, &QTimer::timeout, [this] {
        const auto afterwards = checkAfterwards();
        savePending(Action::Saving, 0);
    });
}

RecordsStore::~RecordsStore()
{
    if (!pending.empty())
        qCWarning(lcRecords) << pending.size() << "games were never saved to" << records.path();
}

void RecordsStore::report(const RecordsProblem& problem)
{
    current = problem;
}

void RecordsStore::report(Kind kind, Action action, const QString& detail)
{
    report(RecordsProblem{kind, action, records.path(), QString(), detail});
}

void RecordsStore::succeeded()
{
    if (!pending.empty() || lasting(current.kind))
        return;
    current = {};
}

bool RecordsStore::open(Action action)
{
    switch (state) {
    case Status::Ready:
    case Status::ReadOnly:
        // The check of the whole file, run in the background, has its say at the first call after it ends.
        if (records.takeDamageFound())
            recover(action);
        return state == Status::Ready || state == Status::ReadOnly;
    case Status::NewerVersion:
    case Status::Unavailable:
        return false;
    case Status::Unopened:
        break;
    }
    RecordsProblem problem;
    state = records.open(problem);
    problem.action = action;
    if (problem.kind != Kind::None)
        report(problem);
    return state == Status::Ready || state == Status::ReadOnly;
}

void RecordsStore::recover(Action action)
{
    RecordsProblem problem;
    problem.action = action;
    state = records.startAfresh(problem);
    problem.action = action;
    report(problem);
}

void RecordsStore::readFailed(const QSqlError& error)
{
    RecordsFile::logFault("reading", error);
    const Kind kind = RecordsFile::classify(error);
    if (kind == Kind::Damaged)
        recover(Action::Reading);
    else
        report(kind, Action::Reading, error.databaseText());
}

bool RecordsStore::save(const GameRecord& game)
{
    const auto afterwards = checkAfterwards();
    if (game.words.empty())
        return false;
    if (!records::plausible(game)) {
        qCWarning(lcRecords) << "refused a game with impossible values, played at" << game.playedAt;
        report(Kind::Impossible, Action::Saving);
        return false;
    }
    pending.push_back(game);
    return savePending(Action::Saving, records.busyTimeout());
}

bool RecordsStore::flush(int milliseconds)
{
    const auto afterwards = checkAfterwards();
    return savePending(Action::Saving, std::max(0, milliseconds));
}

bool RecordsStore::savePending(Action action, int wait)
{
    if (pending.empty()) {
        retry.stop();
        return true;
    }
    const int usual = records.busyTimeout();
    if (wait != usual)
        records.setBusyTimeout(wait);
    const auto restore = qScopeGuard([&] {
        if (wait != usual)
            records.setBusyTimeout(usual);
    });
    if (!open(action) || state != Status::Ready) {
        if (state == Status::Unopened) {
            retry.start();
            return false;
        }
        // Nothing can be kept this run; the reason is in problem().
        qCWarning(lcRecords) << pending.size() << "games cannot be saved to" << records.path();
        pending.clear();
        retry.stop();
        return false;
    }
    while (!pending.empty()) {
        QString detail;
        Kind fault = write(pending.front(), detail);
        // A file found damaged while saving is moved aside, and the game goes into the new one.
        if (fault == Kind::Damaged) {
            recover(action);
            if (state != Status::Ready) {
                pending.clear();
                retry.stop();
                return false;
            }
            fault = write(pending.front(), detail);
        }
        if (fault == Kind::None) {
            pending.pop_front();
            continue;
        }
        if (fault == Kind::Busy) {
            report(Kind::Busy, action, detail);
            retry.start();
            return false;
        }
        if (fault == Kind::ReadOnly)
            state = Status::ReadOnly;
        qCWarning(lcRecords) << "a game played at" << pending.front().playedAt << "is lost";
        pending.pop_front();
        report(fault, action, detail);
        retry.stop();
        return false;
    }
    retry.stop();
    succeeded();
    return true;
}

RecordsProblem::Kind RecordsStore::write(const GameRecord& game, QString& detail)
{
    return records.transact([&](QSqlDatabase& db) { return records::addGameRows(db, game); }, detail);
}

bool RecordsStore::forget(const QStringList& statements, const QString& hash)
{
    const auto afterwards = checkAfterwards();
    savePending(Action::Forgetting, 0);
    if (!open(Action::Forgetting) || state != Status::Ready)
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
    Kind fault = records.transact(body, detail);
    // Forgetting a damaged file's games is done once it is moved aside: the new file holds none.
    if (fault == Kind::Damaged) {
        recover(Action::Forgetting);
        fault = state == Status::Ready ? Kind::None : Kind::Damaged;
    }
    if (fault == Kind::None) {
        // Games still waiting belong to what was forgotten as much as those on disk.
        std::erase_if(pending,
                      [&](const GameRecord& game) { return hash.isNull() || hashText(game.listHash) == hash; });
        succeeded();
        return true;
    }
    if (fault == Kind::ReadOnly)
        state = Status::ReadOnly;
    report(fault, Action::Forgetting, detail);
    return false;
}

bool RecordsStore::forgetList(const QByteArray& listHash)
{
    QStringList statements;
    for (const char* table : {"games", "list_words", "list_kana", "list_keys", "list_confusions", "chart_buckets"})
        statements << QStringLiteral("DELETE FROM %1 WHERE list_hash = ?").arg(QLatin1String(table));
    return forget(statements, hashText(listHash));
}

bool RecordsStore::forgetAll()
{
    // The rows of each game go first, so that rows whose game is already gone go too.
    QStringList statements;
    for (const char* table : {"game_kana", "game_words", "game_keys", "game_confusions", "games", "list_words",
                              "list_kana", "list_keys", "list_confusions", "chart_buckets"})
        statements << QStringLiteral("DELETE FROM %1").arg(QLatin1String(table));
    return forget(statements, QString());
}

std::optional<std::int32_t> RecordsStore::best(const QByteArray& listHash, SpeedLevel speed, TypingStyle style)
{
    const auto afterwards = checkAfterwards();
    savePending(Action::Saving, 0);
    if (!open(Action::Reading))
        return std::nullopt;
    std::optional<std::int32_t> fewest;
    QSqlError error;
    {
        // The index on the list, speed, way and seconds hands the rows over fewest first: the first one that can be
        // believed is the best, however many games the list has.
        QSqlQuery query(records.database());
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT g.seconds, %1 FROM games g WHERE g.list_hash = ? AND g.speed = ?"
                                     " AND g.typing_style = ? AND g.finished = 1 AND g.practice = 0"
                                     " ORDER BY g.seconds, g.played_at, g.id")
                          .arg(records::validGame()));
        query.addBindValue(hashText(listHash));
        query.addBindValue(static_cast<int>(speed));
        query.addBindValue(static_cast<int>(style));
        if (query.exec()) {
            while (!fewest && query.next())
                if (query.value(1).toLongLong() == 1)
                    fewest = query.value(0).toInt();
        }
        error = query.lastError();
    }
    if (error.isValid()) {
        readFailed(error);
        return std::nullopt;
    }
    succeeded();
    return fewest;
}

bool RecordsStore::readTotals(const QString& hash, History& history, bool kana)
{
    const QSqlError error = records::readTotals(records.database(), hash, kana ? &history.kana : nullptr,
                                                kana ? nullptr : &history.words, history.skipped);
    if (error.isValid()) {
        readFailed(error);
        return false;
    }
    return true;
}

History RecordsStore::history(const QByteArray& listHash, SpeedLevel speed, TypingStyle style)
{
    const auto afterwards = checkAfterwards();
    savePending(Action::Saving, 0);
    History result;
    if (!open(Action::Reading))
        return result;
    const records::Scope scope = scopeOf(listHash, speed, style);
    QSqlError error = records::readChart(records.database(), scope, result.chart, result.skipped);
    for (const ProgressBucket& bucket : result.chart) {
        result.games += bucket.games;
        // Each run keeps its highest score: the best of all is the highest of those.
        const auto score = static_cast<std::int32_t>(bucket.score.high);
        result.bestScore = std::max(result.bestScore.value_or(score), score);
    }
    if (!error.isValid()) {
        // The first rows of the index on the list, speed, way and seconds, past any that cannot be believed. The time
        // comes as milliseconds since the epoch, which SQLite works out faster than QDateTime parses.
        QSqlQuery query(records.database());
        query.setForwardOnly(true);
        query.prepare(
            QStringLiteral("SELECT g.id, CAST(round((julianday(g.played_at) - 2440587.5) * 86400000.0)"
                           " AS INTEGER), g.seconds, g.keys, g.good_keys, g.mistakes, g.score, %1 FROM games g"
                           " WHERE g.list_hash = ? AND g.speed = ? AND g.typing_style = ? AND g.finished = 1"
                           " AND g.practice = 0 ORDER BY g.seconds, g.played_at, g.id")
                .arg(records::validGame()));
        query.addBindValue(scope.hash);
        query.addBindValue(scope.speed);
        query.addBindValue(scope.style);
        if (query.exec()) {
            while (result.best.size() < listedBest && query.next()) {
                GamePoint point;
                point.playedAt = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong(), QTimeZone::utc());
                if (query.value(7).toLongLong() != 1 || !point.playedAt.isValid()) {
                    ++result.skipped;
                    continue;
                }
                point.id = query.value(0).toLongLong();
                point.counts = {query.value(2).toInt(), query.value(3).toInt(), query.value(4).toInt(),
                                query.value(5).toInt()};
                point.score = query.value(6).toInt();
                result.best.push_back(point);
            }
        }
        error = query.lastError();
    }
    if (!error.isValid())
        error = records::readKeyTotals(records.database(), scope, result.keys, result.confusions, result.skipped);
    if (error.isValid()) {
        readFailed(error);
        return History{};
    }
    if (!readTotals(scope.hash, result, true) || !readTotals(scope.hash, result, false))
        return History{};
    result.kana = rankKana(std::move(result.kana), listedMisses);
    result.words = rankWords(std::move(result.words), listedMisses);
    succeeded();
    return result;
}

std::optional<TypingStyle> RecordsStore::lastStyle(const QByteArray& listHash, SpeedLevel speed)
{
    const auto afterwards = checkAfterwards();
    savePending(Action::Saving, 0);
    if (!open(Action::Reading))
        return std::nullopt;
    std::optional<TypingStyle> style;
    QSqlError error;
    {
        // The index on the list and speed ends in the games' ids: the newest game that can be believed is the first.
        QSqlQuery query(records.database());
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT g.typing_style, %1 FROM games g WHERE g.list_hash = ? AND g.speed = ?"
                                     " ORDER BY g.id DESC")
                          .arg(records::validGame()));
        query.addBindValue(hashText(listHash));
        query.addBindValue(static_cast<int>(speed));
        if (query.exec()) {
            while (!style && query.next())
                if (query.value(1).toLongLong() == 1)
                    style = static_cast<TypingStyle>(query.value(0).toInt());
        }
        error = query.lastError();
    }
    if (error.isValid()) {
        readFailed(error);
        return std::nullopt;
    }
    succeeded();
    return style;
}

std::vector<std::u16string> RecordsStore::missedWords(const QByteArray& listHash, int limit)
{
    const auto afterwards = checkAfterwards();
    savePending(Action::Saving, 0);
    std::vector<std::u16string> words;
    if (limit <= 0 || !open(Action::Reading))
        return words;
    History totals;
    if (!readTotals(hashText(listHash), totals, false))
        return words;
    succeeded();
    for (WordMisses& word : rankWords(std::move(totals.words), static_cast<std::size_t>(limit)))
        words.push_back(std::move(word.word));
    return words;
}

} // namespace fururupo
