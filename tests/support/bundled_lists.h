#pragma once

#include "logic/word_list.h"
#include "support/recording_hooks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace fururupo::testing {

// Every list the game is given: MSG.txt, the shipped table and each table in data/lists (if there is that folder),
// each through the real load; for every entry, where it is and what the player types: its reading, or the word when
// it has none. For the logic tests, which know the source tree as FURURUPO_SOURCE_DIR.
inline std::vector<std::pair<std::string, std::u16string>> typedTextOfEveryBundledList()
{
    std::vector<std::filesystem::path> paths{FURURUPO_SOURCE_DIR "/data/MSG.txt",
                                             FURURUPO_SOURCE_DIR "/data/words.tsv"};
    const std::filesystem::path lists = FURURUPO_SOURCE_DIR "/data/lists";
    if (std::filesystem::is_directory(lists))
        for (const auto& file : std::filesystem::directory_iterator(lists))
            if (listFormatOf(file.path()) == ListFormat::Table)
                paths.push_back(file.path());
    std::vector<std::pair<std::string, std::u16string>> typed;
    const auto list = std::make_unique<WordList>();
    for (const auto& path : paths) {
        RecordingHooks hooks;
        const std::int32_t count = loadWordList(*list, path, hooks);
        EXPECT_GT(count, 0) << path;
        EXPECT_TRUE(hooks.failures.empty() && hooks.badLines.empty() && hooks.unreadableLines.empty()) << path;
        for (std::int32_t i = 0; i < count; ++i) {
            const std::string where = path.filename().string() + " entry " + std::to_string(i + 1);
            typed.emplace_back(where, list->reading(i).empty() ? list->word(i) : list->reading(i));
        }
    }
    return typed;
}

} // namespace fururupo::testing
