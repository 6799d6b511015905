#include "player/records_keys.h"

#include "player/records_schema.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <map>
#include <utility>

namespace fururupo::records {
namespace {

int keycodeOf(KeyboardKey key)
{
    return infoOf(key).x11Keycode;
}

std::optional<KeyboardKey> keyOf(const QVariant& keycode)
{
    bool number = false;
    const int code = keycode.toInt(&number);
    return number && code >= 0 ? keyOfX11Keycode(static_cast<std::uint32_t>(code)) : std::nullopt;
}

std::int32_t capped(std::int64_t count, double most)
{
    return static_cast<std::int32_t>(std::min<std::int64_t>(count, static_cast<std::int64_t>(most)));
}

// Binds the scope's three values after the ones already bound.
void bindScope(QSqlQuery& query, int first, const Scope& scope)
{
    query.bindValue(first, scope.hash);
    query.bindValue(first + 1, scope.speed);
    query.bindValue(first + 2, scope.style);
}

} // namespace

QSqlError addKeyRows(QSqlDatabase& db, qlonglong gameId, const Scope& scope, const GameRecord& game)
{
    std::map<int, std::pair<std::int64_t, std::int64_t>> keys;
    for (const KeyCount& count : game.keyCounts) {
        auto& [expected, missed] = keys[keycodeOf(count.key)];
        expected += count.expected;
        missed += count.missed;
    }
    std::map<std::pair<int, int>, std::int64_t> slips;
    for (const KeyConfusion& slip : game.confusions)
        slips[{keycodeOf(slip.expected), keycodeOf(slip.hit)}] += slip.count;

    QSqlQuery row(db);
    QSqlQuery total(db);
    if (!row.prepare(QStringLiteral("INSERT INTO game_keys (game_id, keycode, expected, missed) VALUES (?, ?, ?, ?)")))
        return row.lastError();
    if (!total.prepare(
            QStringLiteral("INSERT INTO list_keys (keycode, expected, missed, list_hash, speed,"
                           " typing_style) VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (list_hash, speed, typing_style,"
                           " keycode) DO UPDATE SET"
                           " expected = expected + excluded.expected, missed = missed + excluded.missed")))
        return total.lastError();
    for (const auto& [keycode, counts] : keys) {
        const std::int32_t expected = capped(counts.first, rule::keyExpected.high);
        const std::int32_t missed = std::min(expected, capped(counts.second, rule::keyMissed.high));
        row.bindValue(0, gameId);
        bindScope(total, 3, scope);
        for (QSqlQuery* query : {&row, &total}) {
            const int first = query == &row ? 1 : 0;
            query->bindValue(first, keycode);
            query->bindValue(first + 1, expected);
            query->bindValue(first + 2, missed);
            if (!query->exec())
                return query->lastError();
        }
    }

    if (!row.prepare(QStringLiteral("INSERT INTO game_confusions (game_id, expected_keycode, hit_keycode, count)"
                                    " VALUES (?, ?, ?, ?)")))
        return row.lastError();
    if (!total.prepare(QStringLiteral("INSERT INTO list_confusions (expected_keycode, hit_keycode, count, list_hash,"
                                      " speed, typing_style) VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (list_hash, speed,"
                                      " typing_style, expected_keycode, hit_keycode) DO UPDATE SET"
                                      " count = count + excluded.count")))
        return total.lastError();
    for (const auto& [pair, count] : slips) {
        const std::int32_t times = capped(count, rule::confusionCount.high);
        row.bindValue(0, gameId);
        bindScope(total, 3, scope);
        for (QSqlQuery* query : {&row, &total}) {
            const int first = query == &row ? 1 : 0;
            query->bindValue(first, pair.first);
            query->bindValue(first + 1, pair.second);
            query->bindValue(first + 2, times);
            if (!query->exec())
                return query->lastError();
        }
    }
    return {};
}

QSqlError readKeyTotals(QSqlDatabase db, const Scope& scope, std::vector<KeyMisses>& keys,
                        std::vector<ConfusionCount>& confusions, std::int64_t& skipped)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT k.keycode, k.expected, k.missed, %1 FROM list_keys k WHERE k.list_hash = ?"
                                 " AND k.speed = ? AND k.typing_style = ?")
                      .arg(validKeyTotal()));
    bindScope(query, 0, scope);
    if (!query.exec())
        return query.lastError();
    while (query.next()) {
        const std::optional<KeyboardKey> key = keyOf(query.value(0));
        if (query.value(3).toLongLong() != 1 || !key) {
            ++skipped;
            continue;
        }
        keys.push_back({*key, query.value(1).toLongLong(), query.value(2).toLongLong()});
    }
    if (query.lastError().isValid())
        return query.lastError();
    std::sort(keys.begin(), keys.end(), [](const KeyMisses& a, const KeyMisses& b) { return a.key < b.key; });

    query.prepare(QStringLiteral("SELECT c.expected_keycode, c.hit_keycode, c.count, %1 FROM list_confusions c"
                                 " WHERE c.list_hash = ? AND c.speed = ? AND c.typing_style = ?")
                      .arg(validConfusionTotal()));
    bindScope(query, 0, scope);
    if (!query.exec())
        return query.lastError();
    std::vector<ConfusionCount> found;
    while (query.next()) {
        const std::optional<KeyboardKey> expected = keyOf(query.value(0));
        const std::optional<KeyboardKey> hit = keyOf(query.value(1));
        if (query.value(3).toLongLong() != 1 || !expected || !hit) {
            ++skipped;
            continue;
        }
        found.push_back({*expected, *hit, query.value(2).toLongLong()});
    }
    if (query.lastError().isValid())
        return query.lastError();
    const std::size_t all = found.size();
    confusions = rankConfusions(std::move(found), all);
    return {};
}

} // namespace fururupo::records
