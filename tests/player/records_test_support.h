#pragma once

#include "player/records_store.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QTimeZone>
#include <QVariant>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fururupo::testing {

inline const QDateTime firstDay(QDate(2026, 1, 1), QTime(12, 0), QTimeZone::utc());

// A romaji game of 21 words over a list, the way a game screen would fill it in: 200 keys, 185 of them correct, 10
// mistakes and 5 corrections; every third word with a mistake, the last one timed out, and the kana of its answers
// counted with a miss on every fifth.
inline GameRecord sampleGame(const QByteArray& hash, SpeedLevel speed, int seconds, const QString& name = "list",
                             bool finished = true, bool practice = false)
{
    GameRecord game;
    game.playedAt = firstDay.addSecs(seconds * 60);
    game.listPath = "/home/player/lists/" + name + ".txt";
    game.listName = name;
    game.listHash = hash;
    game.speed = speed;
    game.finished = finished;
    game.practice = practice;
    game.seconds = seconds;
    game.keys = 200;
    game.goodKeys = 185;
    game.mistakes = 10;
    const std::u16string kana =
        u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをんがぎぐげご";
    for (int i = 0; i < 21; ++i) {
        const std::u16string answer = kana.substr(static_cast<std::size_t>(i) * 2, 3);
        game.words.push_back({u"言葉" + answer, answer, 3, i == 20, i % 3 == 0 ? 1 : 0});
    }
    for (std::size_t i = 0; i < kana.size(); ++i)
        game.kana.push_back({kana.substr(i, 1), 2, i % 5 == 0 ? 1 : 0});
    return game;
}

// A second connection to a records file, outside the store, for setting up files by hand and looking into them.
class RawFile
{
public:
    explicit RawFile(const QString& file)
    {
        static std::atomic<int> serial{0};
        name = QStringLiteral("raw-%1").arg(serial++);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.open();
    }
    ~RawFile()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;

    bool exec(const QString& statement, std::initializer_list<QVariant> values = {}) const
    {
        QSqlQuery query(QSqlDatabase::database(name, false));
        query.prepare(statement);
        for (const QVariant& value : values)
            query.addBindValue(value);
        return query.exec();
    }
    QVariant value(const QString& statement) const
    {
        QSqlQuery query(QSqlDatabase::database(name, false));
        return query.exec(statement) && query.next() ? query.value(0) : QVariant();
    }
    qlonglong count(const QString& statement) const { return value(statement).toLongLong(); }

private:
    QString name;
};

// This test program started again in one of its other parts (records_test_main.cpp), its standard input and output
// on pipes: the test reads what it reports line by line, as it happens.
class ChildProcess
{
public:
    explicit ChildProcess(const std::vector<std::string>& arguments)
    {
        int out[2];
        int in[2];
        if (::pipe(out) != 0 || ::pipe(in) != 0)
            return;
        pid = ::fork();
        if (pid == 0) {
            ::dup2(out[1], 1);
            ::dup2(in[0], 0);
            for (int fd : {out[0], out[1], in[0], in[1]})
                ::close(fd);
            std::vector<char*> argv{const_cast<char*>("fururupo_player_tests")};
            for (const std::string& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            ::execv("/proc/self/exe", argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(in[0]);
        output = out[0];
        input = in[1];
    }
    ~ChildProcess()
    {
        closeInput();
        if (output >= 0)
            ::close(output);
        if (pid > 0 && !reaped) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next whole line it wrote, waiting for it; nothing once its output has ended.
    std::optional<std::string> readLine()
    {
        for (;;) {
            if (const auto end = pendingText.find('\n'); end != std::string::npos) {
                std::string line = pendingText.substr(0, end);
                pendingText.erase(0, end + 1);
                return line;
            }
            char buffer[4096];
            const ssize_t n = ::read(output, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return std::nullopt; // a line cut short by a kill was never reported whole
            pendingText.append(buffer, static_cast<std::size_t>(n));
        }
    }
    void closeInput()
    {
        if (input >= 0)
            ::close(input);
        input = -1;
    }
    void kill() { ::kill(pid, SIGKILL); }
    // The rest of the lines it wrote, and how it ended.
    std::vector<std::string> finish(int& status)
    {
        closeInput();
        std::vector<std::string> lines;
        while (const auto line = readLine())
            lines.push_back(*line);
        ::waitpid(pid, &status, 0);
        reaped = true;
        return lines;
    }

    pid_t pid = -1;

private:
    int output = -1;
    int input = -1;
    bool reaped = false;
    std::string pendingText;
};

// Another program holding the history file with an exclusive lock, from the moment it is made until it is gone.
class LockHolder
{
public:
    explicit LockHolder(const std::filesystem::path& file) : child({"--hold-lock", file.native()})
    {
        locked = child.readLine() == std::optional<std::string>("locked");
    }
    bool locked = false;

private:
    ChildProcess child;
};

} // namespace fururupo::testing
