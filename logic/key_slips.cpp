#include "logic/key_slips.h"

#include "logic/rankings.h"

namespace fururupo {

bool knownKey(KeyboardKey key)
{
    return static_cast<std::size_t>(key) < keyboardKeys().size();
}

void KeySlipTally::reset()
{
    expected.fill(0);
    missed.fill(0);
    slips.fill(0);
}

void KeySlipTally::keyTaken(KeyboardKey expectedKey, std::optional<KeyboardKey> hit, bool mistake)
{
    if (!knownKey(expectedKey))
        return;
    const auto at = static_cast<std::size_t>(expectedKey);
    ++expected[at];
    if (!mistake)
        return;
    ++missed[at];
    if (hit && knownKey(*hit) && *hit != expectedKey)
        ++slips[at * keys + static_cast<std::size_t>(*hit)];
}

std::vector<KeyCount> KeySlipTally::keyCounts() const
{
    std::vector<KeyCount> counted;
    for (std::size_t at = 0; at < keys; ++at)
        if (expected[at] > 0)
            counted.push_back({static_cast<KeyboardKey>(at), expected[at], missed[at]});
    return counted;
}

std::vector<KeyConfusion> KeySlipTally::confusions() const
{
    std::vector<KeyConfusion> made;
    for (std::size_t at = 0; at < slips.size(); ++at)
        if (slips[at] > 0)
            made.push_back({static_cast<KeyboardKey>(at / keys), static_cast<KeyboardKey>(at % keys), slips[at]});
    return made;
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
