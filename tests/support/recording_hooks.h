#pragma once

#include "logic/word_list.h"

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace fururupo::testing {

// Load hooks that count the yields (running onYield, when set, with the count so far) and remember every report.
struct RecordingHooks final : LoadHooks
{
    void yieldToEvents() override
    {
        ++yields;
        if (onYield)
            onYield(yields);
    }
    void reportLoadFailure(std::int32_t count, LoadFailure why) override { failures.push_back({count, why}); }
    void reportUnreadableText(std::int32_t line) override { unreadableLines.push_back(line); }
    void reportBadLine(std::int32_t line, LineProblem why) override { badLines.push_back({line, why}); }

    std::int32_t yields = 0;
    std::function<void(std::int32_t yields)> onYield;
    std::vector<std::pair<std::int32_t, LoadFailure>> failures;
    std::vector<std::int32_t> unreadableLines;
    std::vector<std::pair<std::int32_t, LineProblem>> badLines;
};

} // namespace fururupo::testing
