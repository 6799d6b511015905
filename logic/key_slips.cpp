#include "logic/key_slips.h"

#include "logic/rankings.h"

namespace fururupo {

bool knownKey(KeyboardKey key)
{
    return static_cast<std::size_t>(key) < keyboardKeys().size();
}

std::vector<ConfusionCount> rankConfusions(std::vector<ConfusionCount> confusions, std::size_t limit)
{
    std::erase_if(confusions, [](const ConfusionCount& c) { return c.count <= 0; });
    return ranked(std::move(confusions), limit, [](const ConfusionCount& a, const ConfusionCount& b) {
        if (a.count != b.count)
            return a.count > b.count;
        if (a.expected != b.expected)
            return a.expected < b.expected;
        return a.hit < b.hit;
    });
}

} // namespace fururupo
