#pragma once

#include "player/records_store.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QTimeZone>
#include <QVariant>

#include <atomic>
#include <initializer_list>
#include <string>

namespace fururupo::testing {

inline const QDateTime firstDay(QDate(2026, 1, 1), QTime(12, 0), QTimeZone::utc());

// A game of 21 words over a list, the way a game screen would fill it in: every third word with a mistake, the last
// one timed out, and the kana of its answers counted with a miss on every fifth.
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

} // namespace fururupo::testing
