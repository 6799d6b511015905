#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <map>

namespace fururupo {

// One value the game remembers between runs: its key in the settings file, the value it has when the file holds
// none (or holds one this program would never have written), and the values it may take. Adding a setting is one
// declaration of this kind, beside the code that uses it.
template <typename T> struct Setting;

template <> struct Setting<bool>
{
    const char* key;
    bool fallback;
};

template <> struct Setting<int>
{
    const char* key;
    int fallback;
    int lowest;
    int highest;
};

// Bytes, such as a path as the system names it: at most maxBytes of them and never a NUL.
template <> struct Setting<QByteArray>
{
    const char* key;
    int maxBytes;
};

// What went wrong with the settings file; the screens turn it into the player's sentence.
struct SettingsProblem
{
    enum class Kind {
        None,
        MovedAside,      // it was broken: kept aside under another name, and a new one started
        CannotMoveAside, // it is broken and could not be moved: it is left as it is and nothing is written to it
        Unreadable,      // it cannot be read: nothing remembered is known, and nothing is written over it
        NotKept,         // a choice could not be written: it holds for this run only
    };
    Kind kind = Kind::None;
    QString path, aside;
    QString detail; // the system's own words, for the log
};

// The player's settings, kept in one INI file (fururupo/fururupo.conf in the configuration folder) that nothing but
// this class writes. The file is read once, when the game starts; every change is written at once, whole, through a
// temporary file renamed over the old one (and through a symbolic link to wherever it points, as dotfile managers
// expect). Nothing read is trusted: a value of the wrong kind or out of range reads as its fallback. A file that is
// not text, or not INI, is moved aside, never deleted; when it cannot be moved, nothing is written to it. Whatever
// becomes of the file, the game plays on with the values of this run, and problem() says what happened.
class Settings
{
public:
    // An empty file name remembers nothing: values hold for this run only, and nothing is read or written.
    explicit Settings(QString file);

    QString file() const { return path; }

    bool value(const Setting<bool>& setting) const;
    int value(const Setting<int>& setting) const;
    // Empty when unset or not acceptable.
    QByteArray value(const Setting<QByteArray>& setting) const;

    // Each change is written at once; false (and problem() set) when it could not be, though it holds for this run.
    bool setValue(const Setting<bool>& setting, bool value);
    bool setValue(const Setting<int>& setting, int value);
    bool setValue(const Setting<QByteArray>& setting, const QByteArray& value);
    bool remove(const char* key);

    // The last thing that went wrong with the file; a file moved aside when the game started stays said until
    // clearProblem().
    const SettingsProblem& problem() const { return trouble; }
    void clearProblem() { trouble = {}; }

private:
    void load();
    bool store(const char* key, const QVariant& value);
    QVariant raw(const char* key) const;
    // The file QSettings writes: the settings file, or the file it links to.
    QString writtenFile() const;

    QString path;
    // Off when the file could not be read or a broken one could not be moved aside: writing would destroy it.
    bool writable = true;
    std::map<QString, QVariant> values;
    SettingsProblem trouble;
};

} // namespace fururupo
