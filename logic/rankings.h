#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fururupo {

// How often one kana was typed over the games of a list, and how often it was missed.
struct KanaMisses
{
    std::u16string kana;
    std::int64_t typed = 0;
    std::int64_t missed = 0;
    double rate() const { return typed > 0 ? static_cast<double>(missed) / static_cast<double>(typed) : 0.0; }
};

// How often one word was played to its end over the games of a list, and how it went.
struct WordMisses
{
    std::u16string word;
    std::int64_t shown = 0;    // times it was played to its end
    std::int64_t missed = 0;   // of those, with at least one mistake or timed out
    std::int64_t timedOut = 0; // of those, timed out
};

// The first `limit` rows in the order `before` gives, whichever order they came in; the rows keep their values.
template <typename Row, typename Before>
std::vector<Row> ranked(std::vector<Row> rows, std::size_t limit, Before before)
{
    const auto end = rows.begin() + static_cast<std::ptrdiff_t>(std::min(limit, rows.size()));
    std::partial_sort(rows.begin(), end, rows.end(), before);
    rows.erase(end, rows.end());
    return rows;
}

// The kana missed at least once, highest miss rate first; on the same rate more misses first, then kana order.
std::vector<KanaMisses> rankKana(std::vector<KanaMisses> kana, std::size_t limit);
// The words missed at least once, most missed first; on the same count more timed out first, then word order.
std::vector<WordMisses> rankWords(std::vector<WordMisses> words, std::size_t limit);

} // namespace fururupo
