#pragma once

#include <QFile>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

// Lets GoogleTest print texts as the player would read them.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
inline std::ostream& operator<<(std::ostream& out, const QString& text)
{
    return out << text.toStdString();
}

namespace fururupo::testing {

// A folder or file name as the bytes the system uses for it.
inline std::filesystem::path localPath(const QString& name)
{
    return QFile::encodeName(name).toStdString();
}

// A word folder of the test's own, its MSG.txt written in UTF-8 with the byte order mark.
class WordFolder
{
public:
    using Entry = std::pair<QString, QString>; // word, explanation

    explicit WordFolder(const std::vector<Entry>& entries = {});
    QString path() const { return dir.path(); }
    std::filesystem::path folder() const { return localPath(dir.path()); }
    void write(const std::vector<Entry>& entries);
    void remove();

private:
    QTemporaryDir dir;
};

// The top-level windows of that object name that are still open (shown and not closed).
std::vector<QWidget*> openWindows(const QString& name);
// Every top-level window of that object name that still exists, shown or hidden.
std::vector<QWidget*> existingWindows(const QString& name);
// Carries out deleteLater() calls, as the event loop would after the handler that made them.
void flushDeletes();
// Closes and deletes every window the test left open.
void closeAllWindows();

template <class T> T* child(QWidget* window, const char* name)
{
    T* found = window ? window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QString text(QWidget* window, const char* name);
// One tick of a running clock, delivered as the event loop would deliver it; fails the test if the clock is stopped.
void tick(QWidget* window, const char* clockName, int times = 1);
bool running(QWidget* window, const char* clockName);
// A left click in the middle of the named control.
void click(QWidget* window, const char* name);
// The same click, posted: it is delivered the next time pending events run.
void postClick(QWidget* window, const char* name);
// Types each character as its own key (kana included), then optionally one more key.
void typeText(QWidget* box, const QString& text);
void pressKey(QWidget* box, Qt::Key key);

// Records the status that EXIT or a fatal error ends the process with, instead of ending the test run.
class ProcessEndRecorder
{
public:
    ProcessEndRecorder();
    ~ProcessEndRecorder();
    std::vector<int> statuses;

private:
    std::function<void(int)> previous;
};

// Answers every message box that opens while it lives: records what it showed, then presses its first button.
class MessageBoxAnswerer
{
public:
    struct Seen
    {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        int buttonCount;
        QStringList windowsBehind; // the other windows open at that moment
    };

    MessageBoxAnswerer();
    std::vector<Seen> seen;

private:
    QTimer poll;
};

// Number of pixels in rect whose colour is within tolerance of colour.
int countNear(const QImage& image, const QRect& rect, const QColor& colour, int tolerance = 40);

} // namespace fururupo::testing
