#include "player/records_file.h"

#include "player/file_aside.h"
#include "player/logging.h"
#include "player/records_schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fururupo {
namespace {

using Kind = RecordsProblem::Kind;

// SQLite's primary result codes, as the driver gives them in nativeErrorCode (extended codes carry them in the low
// byte).
constexpr int sqliteBusy = 5;
constexpr int sqliteLocked = 6;
constexpr int sqliteReadOnly = 8;
constexpr int sqliteCorrupt = 11;
constexpr int sqliteFull = 13;
constexpr int sqliteNotADatabase = 26;

constexpr const char* companions[] = {"-wal", "-shm", "-journal"};

QString textOf(const QSqlError& error)
{
    return (error.databaseText().isEmpty() ? error.text() : error.databaseText()).trimmed();
}

enum class Presence { Absent, Plain, Special };

// What stands at a name, following links: a link to a device or a pipe is as special as the thing itself.
Presence presenceAt(const QString& name, QString& why)
{
    struct stat info;
    if (::stat(QFile::encodeName(name).constData(), &info) != 0) {
        why = QString::fromLocal8Bit(std::strerror(errno));
        return errno == ENOENT ? Presence::Absent : Presence::Special;
    }
    if (S_ISREG(info.st_mode))
        return Presence::Plain;
    why = QStringLiteral("file type %1").arg(info.st_mode & S_IFMT, 0, 8);
    return Presence::Special;
}

// A file whose first bytes are not those of an SQLite database, told before SQLite opens it (and, finding no
// database, would reset a log file lying beside it). Opened without blocking and checked again once open, so a pipe
// put there after the look above cannot hang the game.
bool plainlyNotADatabase(const QString& name)
{
    const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat info;
    char header[16] = {};
    const bool plain = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    const ssize_t got = plain && info.st_size > 0 ? ::read(fd, header, sizeof header) : 0;
    ::close(fd);
    if (!plain)
        return true;
    return got > 0 && (got < 16 || std::memcmp(header, "SQLite format 3", 16) != 0);
}

// Reads one value back, for the settings that must have taken.
QVariant pragma(QSqlDatabase& db, const QString& name)
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("PRAGMA ") + name) && query.next() ? query.value(0) : QVariant();
}

void setAndCheck(QSqlDatabase& db, const QString& name, const QString& value, const QString& expected)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA %1 = %2").arg(name, value)))
        qCWarning(lcRecords) << "setting PRAGMA" << name << "failed: SQLite code" << query.lastError().nativeErrorCode()
                             << textOf(query.lastError());
    query.finish();
    const QString got = pragma(db, name).toString();
    if (got.compare(expected, Qt::CaseInsensitive) != 0)
        qCWarning(lcRecords) << "PRAGMA" << name << "is" << got << "after asking for" << value << "on"
                             << db.databaseName();
}

} // namespace

RecordsFile::RecordsFile(QString path) : file(std::move(path))
{
    static std::atomic<quint64> serial{0};
    connection = QStringLiteral("fururupo-records-%1-%2").arg(::getpid()).arg(serial++);
}

RecordsFile::~RecordsFile()
{
    endCheck();
    if (!connectionAdded)
        return;
    {
        QSqlDatabase db = database();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

QSqlDatabase RecordsFile::database() const
{
    return QSqlDatabase::database(connection, false);
}

RecordsProblem::Kind RecordsFile::classify(const QSqlError& error)
{
    bool number = false;
    const int code = error.nativeErrorCode().toInt(&number);
    switch (number ? (code & 0xff) : -1) {
    case sqliteBusy:
    case sqliteLocked:
        return Kind::Busy;
    case sqliteFull:
        return Kind::DiskFull;
    case sqliteReadOnly:
        return Kind::ReadOnly;
    case sqliteCorrupt:
    case sqliteNotADatabase:
        return Kind::Damaged;
    default:
        return Kind::Failed;
    }
}

void RecordsFile::logFault(const char* doing, const QSqlError& error)
{
    qCWarning(lcRecords) << doing << "failed: SQLite code" << error.nativeErrorCode() << textOf(error);
}

void RecordsFile::setBusyTimeout(int milliseconds)
{
    waitFor = std::max(0, milliseconds);
    if (database().isOpen())
        applyLimits();
}

void RecordsFile::setPageLimit(int pages)
{
    pageLimit = std::max(0, pages);
    if (database().isOpen())
        applyLimits();
}

// The one place the wait for a busy file and the cap on its size are set (Qt's driver would wait 5 s otherwise).
void RecordsFile::applyLimits()
{
    QSqlDatabase db = database();
    setAndCheck(db, QStringLiteral("busy_timeout"), QString::number(waitFor), QString::number(waitFor));
    // SQLite's own cap is a little over four billion pages; asking for it lifts an earlier cap. The cap read back is
    // at least the pages the file already has.
    const qlonglong pages = pageLimit > 0 ? pageLimit : 4294967294LL;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages)) || !query.next())
        logFault("setting PRAGMA max_page_count", query.lastError());
    else if (pageLimit == 0 && query.value(0).toLongLong() != pages)
        qCWarning(lcRecords) << "PRAGMA max_page_count is" << query.value(0).toLongLong() << "after asking for"
                             << pages;
}

void RecordsFile::configure(bool writable)
{
    QSqlDatabase db = database();
    // Write-ahead logging: a save appends to the log without waiting for the disk, and a game saving never holds up
    // another one reading. Synchronous NORMAL loses nothing committed when the process is killed; only a power cut can
    // lose the last games.
    if (writable)
        setAndCheck(db, QStringLiteral("journal_mode"), QStringLiteral("WAL"), QStringLiteral("wal"));
    setAndCheck(db, QStringLiteral("synchronous"), QStringLiteral("NORMAL"), QStringLiteral("1"));
    setAndCheck(db, QStringLiteral("foreign_keys"), QStringLiteral("ON"), QStringLiteral("1"));
}

RecordsStatus RecordsFile::connect(RecordsProblem& problem)
{
    problem = {};
    problem.path = file;
    if (!connectionAdded) {
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        connectionAdded = true;
    }
    QSqlDatabase db = database();
    if (!db.isValid()) {
        qCWarning(lcRecords) << "Qt's SQLite driver is missing; drivers found:" << QSqlDatabase::drivers();
        problem.kind = Kind::NoDriver;
        return RecordsStatus::Unavailable;
    }
    const Presence presence = presenceAt(file, problem.detail);
    for (const char* suffix : companions) {
        QString why;
        if (presenceAt(file + QLatin1String(suffix), why) == Presence::Special) {
            qCWarning(lcRecords) << "not a plain file:" << file + QLatin1String(suffix) << why;
            problem.kind = Kind::SpecialFile;
            problem.path = file + QLatin1String(suffix);
            return RecordsStatus::Unavailable;
        }
    }
    if (presence == Presence::Special) {
        qCWarning(lcRecords) << "not a plain file:" << file << problem.detail;
        problem.kind = Kind::SpecialFile;
        return RecordsStatus::Unavailable;
    }
    problem.detail.clear();
    if (presence == Presence::Plain && plainlyNotADatabase(file)) {
        qCWarning(lcRecords) << "not an SQLite database:" << file;
        problem.kind = Kind::Damaged;
        return RecordsStatus::Unavailable;
    }
    db.setDatabaseName(file);
    const Kind cannot = presence == Presence::Plain ? Kind::Unopenable : Kind::Uncreatable;
    // Every failure below comes back through here once its query has gone, so nothing outlives the connection.
    const auto failed = [&](const char* doing, const QSqlError& error) {
        logFault(doing, error);
        db.close();
        problem.kind = classify(error);
        problem.detail = textOf(error);
        if (problem.kind == Kind::Busy)
            return RecordsStatus::Unopened;
        if (problem.kind != Kind::Damaged)
            problem.kind = cannot;
        return RecordsStatus::Unavailable;
    };
    if (!db.open())
        return failed("opening", db.lastError());
    applyLimits();

    int version = 0;
    {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
            return failed("reading the version", query.lastError());
        version = query.value(0).toInt();
    }
    if (version > records::currentVersion) {
        qCWarning(lcRecords) << "version" << version << "is newer than" << records::currentVersion << "in" << file;
        db.close();
        problem.kind = Kind::NewerVersion;
        return RecordsStatus::NewerVersion;
    }
    const bool writable = ::access(QFile::encodeName(file).constData(), W_OK) == 0;
    configure(writable);
    if (version == records::currentVersion) {
        if (writable)
            return RecordsStatus::Ready;
        qCWarning(lcRecords) << "may not be written:" << file;
        problem.kind = Kind::ReadOnly;
        return RecordsStatus::ReadOnly;
    }
    if (!writable) {
        qCWarning(lcRecords) << "version" << version << "may not be brought up to date, the file is read-only:" << file;
        db.close();
        problem.kind = cannot;
        problem.detail = QStringLiteral("read-only file of version %1").arg(version);
        return RecordsStatus::Unavailable;
    }
    QString detail;
    QSqlError error;
    const Kind fault = transact(
        [&](QSqlDatabase& db) {
            error = records::migrate(db);
            return error;
        },
        detail);
    if (fault != Kind::None)
        return failed("bringing the schema up to date", error.isValid() ? error : db.lastError());
    return RecordsStatus::Ready;
}

RecordsStatus RecordsFile::open(RecordsProblem& problem)
{
    problem = {};
    problem.path = file;
    if (file.isEmpty())
        return RecordsStatus::Unavailable;
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder)) {
        qCWarning(lcRecords) << "cannot make the folder" << folder;
        problem.kind = Kind::NoFolder;
        problem.path = folder;
        return RecordsStatus::Unavailable;
    }
    const bool wasThere = QFileInfo(file).size() > 0;
    const RecordsStatus status = connect(problem);
    if (problem.kind == Kind::Damaged)
        return startAfresh(problem);
    if (wasThere && (status == RecordsStatus::Ready || status == RecordsStatus::ReadOnly))
        checkWanted = true;
    return status;
}

RecordsStatus RecordsFile::startAfresh(RecordsProblem& problem)
{
    database().close();
    ++generation;
    const MovedAside moved = moveAside(file);
    if (!moved.moved()) {
        qCWarning(lcRecords) << "cannot move the damaged file" << file << "aside:" << moved.error;
        problem = {Kind::CannotMoveAside, problem.action, file, QString(), moved.error};
        return RecordsStatus::Unavailable;
    }
    qCWarning(lcRecords) << "moved the damaged file" << file << "to" << moved.aside;
    const RecordsProblem::Action action = problem.action;
    const RecordsStatus status = connect(problem);
    problem.action = action;
    if (status == RecordsStatus::Ready || status == RecordsStatus::ReadOnly) {
        problem.kind = Kind::MovedAside;
        problem.aside = moved.aside;
        return status;
    }
    if (problem.kind == Kind::Damaged)
        return RecordsStatus::Unavailable;
    return status;
}

RecordsProblem::Kind RecordsFile::transact(const std::function<QSqlError(QSqlDatabase&)>& body, QString& detail)
{
    QSqlDatabase db = database();
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
                return Kind::None;
            error = commit.lastError();
        }
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    }
    logFault("a transaction", error);
    detail = textOf(error);
    return classify(error);
}

void RecordsFile::startCheck()
{
    if (checkStarted)
        return;
    checkStarted = true;
    std::promise<CheckResult> promise;
    checked = promise.get_future();
    const QString name = connection + QStringLiteral("-check");
    checker = std::thread(
        [name, path = file, generation = generation, handle = checkHandle, promise = std::move(promise)]() mutable {
            CheckResult result{false, generation};
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
                db.setDatabaseName(path);
                db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
                // The quick check reads every page but matches no index against its table: the cheapest look that
                // finds a file cut short or overwritten.
                bool open = db.open();
                if (open) {
                    const std::lock_guard lock(handle->mutex);
                    handle->sqlite = *static_cast<sqlite3* const*>(db.driver()->handle().constData());
                    open = !handle->stopped;
                }
                if (open) {
                    QSqlQuery query(db);
                    if (query.exec(QStringLiteral("PRAGMA quick_check")) && query.next()) {
                        result.damaged = query.value(0).toString() != QLatin1String("ok");
                        if (result.damaged)
                            qCWarning(lcRecords) << "the check of" << path << "found" << query.value(0).toString();
                    } else if (const std::lock_guard lock(handle->mutex); !handle->stopped) {
                        logFault("checking the whole file", query.lastError());
                        result.damaged = classify(query.lastError()) == Kind::Damaged;
                    }
                } else if (!db.isOpen()) {
                    logFault("opening the file for its check", db.lastError());
                }
                {
                    const std::lock_guard lock(handle->mutex);
                    handle->sqlite = nullptr;
                }
                db.close();
            }
            QSqlDatabase::removeDatabase(name);
            promise.set_value(result);
        });
}

void RecordsFile::endCheck()
{
    if (!checker.joinable())
        return;
    {
        // At the end the check is of no more use: SQLite stops it at its next step, so leaving never waits for it.
        const std::lock_guard lock(checkHandle->mutex);
        checkHandle->stopped = true;
        if (checkHandle->sqlite)
            sqlite3_interrupt(static_cast<sqlite3*>(checkHandle->sqlite));
    }
    checker.join();
}

bool RecordsFile::takeDamageFound()
{
    if (!checked.valid() || checked.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return false;
    const CheckResult result = checked.get();
    checker.join();
    return result.damaged && result.generation == generation;
}

void RecordsFile::startWantedCheck()
{
    if (checkWanted && generation == 0)
        startCheck();
    checkWanted = false;
}

bool RecordsFile::waitForCheck()
{
    startWantedCheck();
    if (!checkStarted)
        return false;
    if (checked.valid())
        checked.wait();
    return true;
}

} // namespace fururupo
