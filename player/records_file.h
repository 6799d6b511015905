#pragma once

#include "player/records_problem.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

namespace fururupo {

// The history file's life: one connection to it, opened when first needed; the folder made; anything but a plain
// file refused before it is opened; the schema brought up to date; write-ahead logging and the other settings that
// matter, read back; a damaged file moved aside and a new one started; transactions; and the check of the whole file,
// run once in the background on a read-only connection of its own, so that opening never reads every page.
class RecordsFile
{
public:
    explicit RecordsFile(QString path);
    ~RecordsFile();
    RecordsFile(const RecordsFile&) = delete;
    RecordsFile& operator=(const RecordsFile&) = delete;

    const QString& path() const { return file; }
    QSqlDatabase database() const;

    // Opens the file, or starts a new one when it is damaged; what went wrong goes into problem. Unopened means
    // another program held the file too long to open it: a later call may try again.
    RecordsStatus open(RecordsProblem& problem);
    // Closes the file, moves it aside and opens a new one in its place; what became of it goes into problem.
    RecordsStatus startAfresh(RecordsProblem& problem);

    // Runs body in one transaction taken for writing, rolled back when body or the commit fails; the kind of the
    // failure (None when committed), with the driver's text in detail.
    RecordsProblem::Kind transact(const std::function<QSqlError(QSqlDatabase&)>& body, QString& detail);

    // The kind of fault an error of the driver is: Busy, DiskFull, ReadOnly, Damaged or Failed.
    static RecordsProblem::Kind classify(const QSqlError& error);
    // Logs a fault of the driver with its own code and text, saying what was being done.
    static void logFault(const char* doing, const QSqlError& error);

    // How long a statement waits for another program holding the file before it gives up.
    void setBusyTimeout(int milliseconds);
    int busyTimeout() const { return waitFor; }
    // Caps the file at this many pages (4 KiB each), as a full disk would; 0 lifts the cap.
    void setPageLimit(int pages);

    // True once, when the background check has finished and found the file it checked damaged (and that file is
    // still the one open); never waits.
    bool takeDamageFound();
    // Starts the background check of a file that was there before this run, once the call that opened it is done, so
    // that the check never competes with that call.
    void startWantedCheck();
    bool wantsCheck() const { return checkWanted; }
    // Blocks until the background check has finished, if one was started; true when one was.
    bool waitForCheck();

private:
    RecordsStatus connect(RecordsProblem& problem);
    void applyLimits();
    void configure(bool writable);
    void startCheck();
    void endCheck();

    struct CheckResult
    {
        bool damaged = false;
        int generation = 0;
    };
    // The check's connection, while it is open, for stopping the check from another thread.
    struct CheckHandle
    {
        std::mutex mutex;
        void* sqlite = nullptr;
        bool stopped = false;
    };

    QString file;
    QString connection;
    bool connectionAdded = false;
    int waitFor = 200;
    int pageLimit = 0;
    // Bumped each time the file is replaced, so that a check of the one before is not held against the new one.
    int generation = 0;
    bool checkWanted = false;
    bool checkStarted = false;
    std::thread checker;
    std::future<CheckResult> checked;
    std::shared_ptr<CheckHandle> checkHandle = std::make_shared<CheckHandle>();
};

} // namespace fururupo
