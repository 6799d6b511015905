#pragma once

#include <QString>

#include <filesystem>
#include <vector>

namespace fururupo {

// The player's own folders, worked out once here for everything the game finds and keeps. Each is taken from its XDG
// variable when that is an absolute path, else from under an absolute HOME (~/.config, ~/.local/share), and is empty
// when neither is usable: the game then keeps nothing rather than writing into whatever folder it was started from.
// The variables' bytes are kept as given, so a folder whose name is not UTF-8 is still the right folder.
std::filesystem::path configHome();
// HOME when it is an absolute path, else empty.
std::filesystem::path homeFolder();
std::filesystem::path dataHome();
// The absolute entries of XDG_DATA_DIRS, in order (/usr/local/share and /usr/share when it is unset or empty).
std::vector<std::filesystem::path> dataDirs();

// fururupo/fururupo.conf in configHome(): the settings, the chosen list among them. Empty without a configHome.
QString settingsFile();
// fururupo/records.sqlite3 in dataHome(): the history of games. Empty without a dataHome.
QString recordsFile();
// fururupo/lists in dataHome(): where the player's own lists go. Empty without a dataHome.
std::filesystem::path playerListsFolder();

// A path as Qt names it, from the bytes the system names it by.
QString qtPath(const std::filesystem::path& path);

} // namespace fururupo
