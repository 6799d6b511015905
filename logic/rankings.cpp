#include "logic/rankings.h"

namespace fururupo {

std::vector<KanaMisses> rankKana(std::vector<KanaMisses> kana, std::size_t limit)
{
    std::erase_if(kana, [](const KanaMisses& k) { return k.missed <= 0 || k.typed <= 0; });
    return ranked(std::move(kana), limit, [](const KanaMisses& a, const KanaMisses& b) {
        // Division rounds correctly, so equal fractions such as 1/3 and 2/6 give the same rate and tie.
        if (a.rate() != b.rate())
            return a.rate() > b.rate();
        if (a.missed != b.missed)
            return a.missed > b.missed;
        return a.kana < b.kana;
    });
}

std::vector<WordMisses> rankWords(std::vector<WordMisses> words, std::size_t limit)
{
    std::erase_if(words, [](const WordMisses& w) { return w.missed <= 0; });
    return ranked(std::move(words), limit, [](const WordMisses& a, const WordMisses& b) {
        if (a.missed != b.missed)
            return a.missed > b.missed;
        if (a.timedOut != b.timedOut)
            return a.timedOut > b.timedOut;
        return a.word < b.word;
    });
}

} // namespace fururupo
