#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace fururupo {

// The folder of the running executable, from the real path the system keeps for it, as bytes: folder names that are
// not valid UTF-8, long paths and an executable reached through a symbolic link all give the folder the executable
// really lies in. Empty when the system cannot say; the caller must then not guess (least of all the current folder).
std::optional<std::filesystem::path> executableFolder();

// A path as the player reads it: its bytes as UTF-8, each undecodable part shown as U+FFFD rather than dropped.
std::u16string displayPath(const std::filesystem::path& path);

} // namespace fururupo
