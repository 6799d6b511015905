#pragma once

#include "logic/game_tally.h"
#include "logic/typing_game.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QSqlDatabase;
class QSqlError;

namespace fururupo {

// One game as it is kept.
struct GameRecord
{
    QDateTime playedAt;  // when it ended, kept in UTC
    QString listPath;    // the list file played, as an absolute path
    QString listName;    // the list's name as the title screen shows it
    QByteArray listHash; // hashOfList of the file as it was played: an edited list is a new list
    SpeedLevel speed = SpeedLevel::Normal;
    bool finished = false;    // all 21 words; false for a game left or started again after at least one word
    bool practice = false;    // a practice game on missed words
    std::int32_t seconds = 0; // the record, or the seconds played when left
    std::int32_t keys = 0;
    std::int32_t mistakes = 0;
    std::vector<WordOutcome> words;
    std::vector<KanaCount> kana;
};

// One finished game on the chart or in the list of bests.
struct GamePoint
{
    std::int64_t id = 0;
    QDateTime playedAt;
    std::int32_t seconds = 0;
    std::int32_t keys = 0;
    std::int32_t mistakes = 0;
    // Keys a minute over the game's seconds, and the share of keys that were no mistake, in per cent: no rate (0) for
    // a game of no seconds, and 100 for one of no keys, since none of them was a mistake.
    double keysPerMinute = 0;
    double accuracy = 0;
};

struct KanaMisses
{
    QString kana;
    std::int64_t typed = 0;
    std::int64_t missed = 0;
    double rate() const { return typed > 0 ? static_cast<double>(missed) / static_cast<double>(typed) : 0.0; }
};

struct WordMisses
{
    QString word;
    std::int64_t shown = 0;    // times it was played to its end
    std::int64_t missed = 0;   // of those, with at least one mistake or timed out
    std::int64_t timedOut = 0; // of those, timed out
};

// What the history holds for one list and speed.
struct History
{
    std::vector<GamePoint> games;  // finished games other than practice, oldest first
    std::vector<GamePoint> best;   // the ten fewest seconds among those, best first (earlier first on a tie)
    std::vector<KanaMisses> kana;  // the ten kana with the highest miss rate, highest first, all games of the list
    std::vector<WordMisses> words; // the ten words missed or timed out most, most first, all games of the list
    std::int64_t skipped = 0;      // rows left out because their values were impossible
};

// The history of games, kept in an SQLite file (Qt SQL, QSQLITE) that nothing but this class writes. The file is
// opened when first needed, never before; each game is saved in one transaction; and whatever becomes of the file,
// the game plays on: every problem leaves one short Japanese line in notice() and makes save() return false.
// A file that is not an SQLite database, or a damaged one, is moved aside as <file>.broken-<date> and a new one is
// started; one from a newer version of the game is left untouched and nothing is saved to it. Nothing read back is
// trusted: rows with impossible values are skipped, never shown.
class RecordsStore
{
public:
    enum class Status {
        Unopened,     // not needed yet
        Ready,        // open and writable
        ReadOnly,     // open, but the file or its folder may not be written: the history shows, nothing is saved
        NewerVersion, // made by a newer version of the game: read by nobody, written by nobody
        Unavailable,  // could not be opened or created: nothing is kept this run
    };

    // Nothing is opened until the first call that needs the file; an empty file name keeps nothing.
    explicit RecordsStore(QString file);
    ~RecordsStore();
    RecordsStore(const RecordsStore&) = delete;
    RecordsStore& operator=(const RecordsStore&) = delete;

    // $XDG_DATA_HOME/fururupo/records.sqlite3, ~/.local/share/fururupo/records.sqlite3 when XDG_DATA_HOME is unset,
    // empty or relative; empty when the system names no home.
    static QString defaultFile();

    QString file() const { return path; }
    Status status() const { return state; }

    // Saves one game in one transaction; true once it is on disk. A game with no word played is not saved.
    bool save(const GameRecord& game);

    // The fewest seconds of a finished game other than practice, for the list and speed.
    std::optional<std::int32_t> best(const QByteArray& listHash, SpeedLevel speed);
    History history(const QByteArray& listHash, SpeedLevel speed);
    // The words of the list missed or timed out in any game, most missed first, at most limit of them.
    std::vector<std::u16string> missedWords(const QByteArray& listHash, int limit);

    // Deletes the games of one list, or all games; true when done.
    bool forgetList(const QByteArray& listHash);
    bool forgetAll();

    // One line about the last problem with the file, for the screen; empty while all is well. A file moved aside stays
    // in it until another problem replaces it; a passing problem (a busy or full disk, a refused game) is cleared by
    // the next call that succeeds.
    std::u16string notice() const { return message; }

    // How long a save waits for another game holding the file before it gives up; 5 seconds unless set.
    void setBusyTimeout(int milliseconds);
    // Caps the file at this many pages (4 KiB each), as a full disk would; 0 lifts the cap. For the tests of a full
    // disk, which need no small file system of their own.
    void setPageLimit(int pages);

private:
    enum class Opening { Ready, ReadOnly, Newer, Broken, Busy, Failed };
    enum class Fault { None, Busy, Full, ReadOnly, Corrupt, Other };

    bool open();
    Opening connect();
    // Moves a damaged file aside and starts a new one in its place.
    Opening connectAfresh();
    // Brings the schema from the given version to the current one, inside the caller's transaction.
    QSqlError migrate(int version);
    void applyLimits();
    // After a statement found the file damaged: moves it aside and starts a new one; true when the new one is ready.
    bool recover();
    QString moveAside();
    // Runs body in one transaction taken for writing, rolled back when body or the commit fails.
    Fault transact(const std::function<QSqlError(QSqlDatabase&)>& body, QString& detail);
    Fault write(const GameRecord& game, QString& detail);
    // Runs the deletions, each given hash when it is not null, in one transaction.
    bool forget(const QStringList& statements, const QString& hash);
    bool changed(Fault fault, const QString& detail, const char* action);
    // Records a failed read: a damaged file is moved aside, anything else leaves its line in notice().
    void readFailed(const QSqlError& error);
    bool rankKana(const QString& hash, std::size_t limit, std::vector<KanaMisses>& ranked, std::int64_t& skipped);
    bool rankWords(const QString& hash, std::size_t limit, std::vector<WordMisses>& ranked, std::int64_t& skipped);
    void say(const QString& line, bool passing);
    void succeeded();

    QString path;
    QString connection;
    Status state = Status::Unopened;
    std::u16string message;
    bool messagePasses = false;
    bool connectionAdded = false;
    int busyTimeout = 5000;
    int pageLimit = 0;
};

// The hex SHA-256 of a list file's bytes; empty when it cannot be read.
QByteArray hashOfList(const std::filesystem::path& file);

} // namespace fururupo
