#pragma once

#include "logic/progress_buckets.h"
#include "player/game_record.h"

#include <QSqlError>
#include <QString>

#include <span>

class QSqlDatabase;
class QSqlQuery;

namespace fururupo::records {

// The version of the file this game writes, kept in SQLite's user_version.
inline constexpr int currentVersion = 4;

// What one column may hold. The columns carry no constraints beyond their keys, since a file edited by hand would not
// keep them anyway: the same rule refuses a game before it is saved and leaves out a row read back.
struct ColumnRule
{
    enum class Type { Integer, Real, Text };
    const char* column;
    Type type;
    double low;                   // the least value, or for text the least length
    double high;                  // the greatest value, or for text the greatest length
    const char* atMost = nullptr; // another column of the row the value may not exceed

    bool allows(double value, double limit) const { return value >= low && value <= high && value <= limit; }
    bool allows(double value) const { return value >= low && value <= high; }
};

namespace rule {
using Type = ColumnRule::Type;
inline constexpr ColumnRule speed{"speed", Type::Integer, 0, 2};
inline constexpr ColumnRule style{"typing_style", Type::Integer, 0, 2};
inline constexpr ColumnRule finished{"finished", Type::Integer, 0, 1};
inline constexpr ColumnRule practice{"practice", Type::Integer, 0, 1};
inline constexpr ColumnRule seconds{"seconds", Type::Integer, 0, 86400};
inline constexpr ColumnRule keys{"keys", Type::Integer, 0, 10'000'000};
inline constexpr ColumnRule mistakes{"mistakes", Type::Integer, 0, 10'000'000, "keys"};
inline constexpr ColumnRule goodKeys{"good_keys", Type::Integer, 0, 10'000'000, "keys"};
// A score is never more than the correct keys a minute it weighs: at most 60 times the most keys.
inline constexpr ColumnRule score{"score", Type::Integer, 0, 600'000'000};
inline constexpr ColumnRule word{"word", Type::Text, 1, 256};
inline constexpr ColumnRule answer{"answer", Type::Text, 0, 256};
inline constexpr ColumnRule wordSeconds{"seconds", Type::Integer, 0, 86400};
inline constexpr ColumnRule timedOut{"timed_out", Type::Integer, 0, 1};
inline constexpr ColumnRule wordMistakes{"mistakes", Type::Integer, 0, 1'000'000};
inline constexpr ColumnRule kana{"kana", Type::Text, 1, 4};
inline constexpr ColumnRule kanaTyped{"typed", Type::Integer, 0, 1'000'000};
inline constexpr ColumnRule kanaMissed{"missed", Type::Integer, 0, 1'000'000, "typed"};
// A key by its X keycode (KeyboardKeyInfo::x11Keycode), and its counts in one game.
inline constexpr ColumnRule keycode{"keycode", Type::Integer, 8, 255};
inline constexpr ColumnRule keyExpected{"expected", Type::Integer, 0, 1'000'000};
inline constexpr ColumnRule keyMissed{"missed", Type::Integer, 0, 1'000'000, "expected"};
inline constexpr ColumnRule expectedKeycode{"expected_keycode", Type::Integer, 8, 255};
inline constexpr ColumnRule hitKeycode{"hit_keycode", Type::Integer, 8, 255};
inline constexpr ColumnRule confusionCount{"count", Type::Integer, 1, 1'000'000};
} // namespace rule

// The rules of each table's rows, and the SQL that is true for a row (of the given alias) that keeps them all.
QString validGame(const char* alias = "g");
QString validWord(const char* alias = "w");
QString validWordTotal(const char* alias = "w");
QString validKanaTotal(const char* alias = "k");
QString validBucket(const char* alias = "b");
QString validKeyTotal(const char* alias = "k");
QString validConfusionTotal(const char* alias = "c");

// Whether a game may be saved: every value within the rules its row will be read back by.
bool plausible(const GameRecord& game);

// Brings the schema from the version the file has to currentVersion, inside the caller's transaction.
QSqlError migrate(QSqlDatabase& db);

} // namespace fururupo::records
