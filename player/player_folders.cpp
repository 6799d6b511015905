#include "player/player_folders.h"

#include <QFile>

#include <cstdlib>
#include <string>
#include <string_view>

namespace fururupo {

namespace {

namespace fs = std::filesystem;

fs::path variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? fs::path(value) : fs::path();
}

// The XDG variable when it is absolute, else the fallback under an absolute HOME, else nothing.
fs::path xdgHome(const char* name, const fs::path& belowHome)
{
    const fs::path given = variable(name);
    if (given.is_absolute())
        return given.lexically_normal();
    const fs::path home = variable("HOME");
    if (home.is_absolute())
        return (home / belowHome).lexically_normal();
    return {};
}

QString fileIn(const fs::path& folder, const char* name)
{
    return folder.empty() ? QString() : qtPath(folder / "fururupo" / name);
}

} // namespace

fs::path homeFolder()
{
    const fs::path home = variable("HOME");
    return home.is_absolute() ? home : fs::path();
}

fs::path configHome()
{
    return xdgHome("XDG_CONFIG_HOME", ".config");
}

fs::path dataHome()
{
    return xdgHome("XDG_DATA_HOME", fs::path(".local") / "share");
}

std::vector<fs::path> dataDirs()
{
    std::string given = variable("XDG_DATA_DIRS").native();
    if (given.empty())
        given = "/usr/local/share:/usr/share";
    std::vector<fs::path> folders;
    std::string_view rest = given;
    while (true) {
        const std::size_t colon = rest.find(':');
        const fs::path entry = rest.substr(0, colon);
        if (entry.is_absolute())
            folders.push_back(entry);
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    return folders;
}

QString settingsFile()
{
    return fileIn(configHome(), "fururupo.conf");
}

QString recordsFile()
{
    return fileIn(dataHome(), "records.sqlite3");
}

fs::path playerListsFolder()
{
    const fs::path data = dataHome();
    return data.empty() ? fs::path() : data / "fururupo" / "lists";
}

QString qtPath(const fs::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

} // namespace fururupo
