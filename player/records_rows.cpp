#include "player/records_rows.h"

#include "player/records_chart.h"
#include "player/records_keys.h"
#include "player/records_schema.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace fururupo::records {
namespace {

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
            const auto most = static_cast<std::int32_t>(rule::kanaTyped.high);
            same->typed = std::min(most, same->typed + count.typed);
            same->missed = std::min(same->typed, same->missed + count.missed);
        }
    }
    return merged;
}

} // namespace

QSqlError addGameRows(QSqlDatabase& db, const GameRecord& game)
{
    const QString hash = QString::fromLatin1(game.listHash);
    const Scope scope{hash, static_cast<int>(game.speed), static_cast<int>(game.style)};
    const GameCounts counts{game.seconds, game.keys, game.goodKeys, game.mistakes};
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT INTO games (played_at, list_path, list_hash, list_name, speed, typing_style,"
                                 " finished, practice, seconds, keys, good_keys, mistakes, score)"
                                 " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant& value :
         {QVariant(game.playedAt.toUTC().toString(Qt::ISODateWithMs)), QVariant(game.listPath), QVariant(hash),
          QVariant(game.listName), QVariant(scope.speed), QVariant(scope.style), QVariant(game.finished ? 1 : 0),
          QVariant(game.practice ? 1 : 0), QVariant(game.seconds), QVariant(game.keys), QVariant(game.goodKeys),
          QVariant(game.mistakes), QVariant(counts.score())})
        query.addBindValue(value);
    if (!query.exec())
        return query.lastError();
    const qlonglong id = query.lastInsertId().toLongLong();

    QSqlQuery words(db);
    QSqlQuery wordTotal(db);
    if (!words.prepare(QStringLiteral("INSERT INTO game_words (game_id, position, word, answer, seconds,"
                                      " timed_out, mistakes) VALUES (?, ?, ?, ?, ?, ?, ?)")))
        return words.lastError();
    if (!wordTotal.prepare(
            QStringLiteral("INSERT INTO list_words (list_hash, word, shown, missed, timed_out) VALUES (?, ?, 1, ?, ?)"
                           " ON CONFLICT (list_hash, word) DO UPDATE SET shown = shown + 1,"
                           " missed = missed + excluded.missed, timed_out = timed_out + excluded.timed_out")))
        return wordTotal.lastError();
    int position = 0;
    for (const WordOutcome& word : game.words) {
        const QString text = QString::fromStdU16String(word.word);
        words.bindValue(0, id);
        words.bindValue(1, position++);
        words.bindValue(2, text);
        words.bindValue(3, QString::fromStdU16String(word.answer));
        words.bindValue(4, word.seconds);
        words.bindValue(5, word.timedOut ? 1 : 0);
        words.bindValue(6, word.mistakes);
        if (!words.exec())
            return words.lastError();
        wordTotal.bindValue(0, hash);
        wordTotal.bindValue(1, text);
        wordTotal.bindValue(2, word.mistakes > 0 || word.timedOut ? 1 : 0);
        wordTotal.bindValue(3, word.timedOut ? 1 : 0);
        if (!wordTotal.exec())
            return wordTotal.lastError();
    }

    QSqlQuery kana(db);
    QSqlQuery kanaTotal(db);
    if (!kana.prepare(QStringLiteral("INSERT INTO game_kana (game_id, kana, typed, missed) VALUES (?, ?, ?, ?)")))
        return kana.lastError();
    if (!kanaTotal.prepare(QStringLiteral("INSERT INTO list_kana (list_hash, kana, typed, missed)"
                                          " VALUES (?, ?, ?, ?) ON CONFLICT (list_hash, kana) DO UPDATE SET"
                                          " typed = typed + excluded.typed, missed = missed + excluded.missed")))
        return kanaTotal.lastError();
    for (const KanaCount& count : mergedKana(game.kana)) {
        const QString text = QString::fromStdU16String(count.kana);
        for (QSqlQuery* row : {&kana, &kanaTotal}) {
            row->bindValue(0, row == &kana ? QVariant(id) : QVariant(hash));
            row->bindValue(1, text);
            row->bindValue(2, count.typed);
            row->bindValue(3, count.missed);
            if (!row->exec())
                return row->lastError();
        }
    }
    if (const QSqlError error = addKeyRows(db, id, scope, game); error.isValid())
        return error;
    if (!game.finished || game.practice)
        return QSqlError();
    return addToChart(db, scope, bucketOfGame(counts));
}

QSqlError readTotals(QSqlDatabase db, const QString& hash, std::vector<KanaMisses>* kana,
                     std::vector<WordMisses>* words, std::int64_t& skipped)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(kana
                      ? QStringLiteral("SELECT k.kana, k.typed, k.missed, 0, %1 FROM list_kana k WHERE k.list_hash = ?")
                            .arg(validKanaTotal())
                      : QStringLiteral("SELECT w.word, w.shown, w.missed, w.timed_out, %1 FROM list_words w"
                                       " WHERE w.list_hash = ?")
                            .arg(validWordTotal()));
    query.addBindValue(hash);
    if (query.exec()) {
        while (query.next()) {
            if (query.value(4).toLongLong() != 1) {
                ++skipped;
                continue;
            }
            const std::u16string text = query.value(0).toString().toStdU16String();
            if (kana)
                kana->push_back({text, query.value(1).toLongLong(), query.value(2).toLongLong()});
            else if (words)
                words->push_back(
                    {text, query.value(1).toLongLong(), query.value(2).toLongLong(), query.value(3).toLongLong()});
        }
    }
    return query.lastError();
}

} // namespace fururupo::records
