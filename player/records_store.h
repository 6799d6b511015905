#pragma once

#include "logic/key_slips.h"
#include "logic/progress_buckets.h"
#include "logic/rankings.h"
#include "player/game_record.h"
#include "player/records_file.h"
#include "player/records_problem.h"

#include <QByteArray>
#include <QDateTime>
#include <QScopeGuard>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fururupo {

// One finished game in the list of bests.
struct GamePoint
{
    std::int64_t id = 0;
    QDateTime playedAt;
    // The counts it was kept with (seconds, keys, good keys, mistakes), from which the results work out its correct
    // keys a minute and accuracy; and the score it was kept with.
    GameCounts counts;
    std::int32_t score = 0;
};

// What the history holds for one list, speed and way of typing.
struct History
{
    // The finished games other than practice, in the order they were kept, as at most maxProgressBuckets runs of
    // consecutive games (one game each while there are fewer games than that).
    std::vector<ProgressBucket> chart;
    std::int64_t games = 0;                // the games the chart holds
    std::vector<GamePoint> best;           // the ten fewest seconds among those, best first (earlier first on a tie)
    std::optional<std::int32_t> bestScore; // the highest score among those
    std::vector<KanaMisses> kana;  // the ten kana with the highest miss rate, highest first, all games of the list
    std::vector<WordMisses> words; // the ten words missed or timed out most, most first, all games of the list
    // Every key counted over the games of the list, speed and way of typing, in the keyboard's order, and every slip,
    // most frequent first.
    std::vector<KeyMisses> keys;
    std::vector<ConfusionCount> confusions;
    std::int64_t skipped = 0; // rows left out because their values were impossible
};

// The history of games, kept in an SQLite file (Qt SQL, QSQLITE) that nothing but this class writes. The file is
// opened when first needed, never before; each game is saved in one transaction; and whatever becomes of the file,
// the game plays on: every problem is reported as a kind with its facts in problem().
// A file that is not an SQLite database, or a damaged one, is moved aside as <file>.broken-<date> and a new one is
// started; one from a newer version of the game is left untouched and nothing is saved to it. Nothing read back is
// trusted: rows with impossible values are skipped, never shown. Nothing waits long for the file: a game that finds it
// held by another program is kept in memory and saved at the next call or on the store's timer, and the whole file is
// checked once a run in the background.
class RecordsStore
{
public:
    using Status = RecordsStatus;

    // Nothing is opened until the first call that needs the file; an empty file name keeps nothing.
    explicit RecordsStore(QString file);
    ~RecordsStore();
    RecordsStore(const RecordsStore&) = delete;
    RecordsStore& operator=(const RecordsStore&) = delete;

    QString file() const { return records.path(); }
    Status status() const { return state; }

    // Saves one game in one transaction, after any game still waiting; true once every one of them is on disk. A game
    // with no word played is not saved. A game the file was too busy for waits in memory (problem() says Busy).
    bool save(const GameRecord& game);

    // The fewest seconds of a finished game other than practice, for the list, speed and way of typing: a kana game
    // and a romaji game are not the same race.
    std::optional<std::int32_t> best(const QByteArray& listHash, SpeedLevel speed, TypingStyle style);
    History history(const QByteArray& listHash, SpeedLevel speed, TypingStyle style);
    // The way of typing of the last game kept for the list and speed, finished or not; none before the first.
    std::optional<TypingStyle> lastStyle(const QByteArray& listHash, SpeedLevel speed);
    // The words of the list missed or timed out in any game, most missed first, at most limit of them.
    std::vector<std::u16string> missedWords(const QByteArray& listHash, int limit);

    // Deletes the games of one list, or all games; true when done.
    bool forgetList(const QByteArray& listHash);
    bool forgetAll();

    // The last problem with the file; Kind::None while all is well. A lasting one (a file moved aside, read-only, of a
    // newer version, not to be opened) stays until another replaces it; a passing one (a full disk, a refused game)
    // is cleared by the next call that succeeds, and Busy stays while a game waits to be saved.
    RecordsProblem problem() const { return current; }

    // Games waiting for the file to be free.
    std::size_t pendingGames() const { return pending.size(); }
    // Saves the waiting games, waiting at most about `milliseconds` for each; true when none is left. For the end of
    // the run.
    bool flush(int milliseconds);
    // Starts the background check of the file at once if it is still to come, and blocks until it has finished; false
    // when there is none this run. Its finding is handled by the next call.
    bool waitForCheck() { return records.waitForCheck(); }

    // How long a save waits for another program holding the file before it keeps the game for later; 200 ms unless
    // set.
    void setBusyTimeout(int milliseconds) { records.setBusyTimeout(milliseconds); }
    // Caps the file at this many pages (4 KiB each), as a full disk would; 0 lifts the cap. For the tests of a full
    // disk, which need no small file system of their own.
    void setPageLimit(int pages) { records.setPageLimit(pages); }
    // How often waiting games are tried again; a second unless set.
    void setRetryInterval(int milliseconds) { retry.setInterval(milliseconds); }

private:
    using Action = RecordsProblem::Action;
    using Kind = RecordsProblem::Kind;

    bool open(Action action);
    void recover(Action action);
    bool savePending(Action action, int wait);
    RecordsProblem::Kind write(const GameRecord& game, QString& detail);
    bool forget(const QStringList& statements, const QString& hash);
    void readFailed(const QSqlError& error);
    bool readTotals(const QString& hash, History& history, bool kana);
    void report(Kind kind, Action action, const QString& detail = QString());
    void report(const RecordsProblem& problem);
    void succeeded();
    // Once a call has opened the file, the background check starts a moment later, so that it competes neither with
    // that call nor with the window that made it.
    auto checkAfterwards()
    {
        return qScopeGuard([this] {
            if (records.wantsCheck() && !checkDelay.isActive())
                checkDelay.start();
        });
    }

    RecordsFile records;
    Status state = Status::Unopened;
    RecordsProblem current;
    std::deque<GameRecord> pending;
    QTimer retry;
    QTimer checkDelay;
};

} // namespace fururupo
