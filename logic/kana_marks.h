#pragma once

#include <string>

namespace fururupo {

// Joins each kana followed by a combining voiced or semi-voiced sound mark (U+3099, U+309A) into the one precomposed
// kana Unicode composes them to (か + U+3099 → が, は + U+309A → ぱ, ウ + U+3099 → ヴ), as NFC does, so that a list
// saved by a program that writes decomposed text shows and plays the same kana as any other. A mark after anything
// else stays, and the spacing marks ゛ ゜ (U+309B, U+309C) are never joined.
void composeKanaMarks(std::u16string& text);

// The kana that `kana` and a sound mark make together (か and ゛ → が, は and ゜ → ぱ, ワ and ゛ → ヷ), or 0 when they
// make none. The mark may be the spacing ゛ ゜ (U+309B, U+309C) typed as keys of their own, or the combining U+3099,
// U+309A.
char16_t joinSoundMark(char16_t kana, char16_t mark);

// A kana with a sound mark split into its kana and the spacing mark (が → か and ゛, ヴ → ウ and ゛); any other
// character comes back whole, with no mark (0).
struct MarkedKana
{
    char16_t kana = 0;
    char16_t mark = 0;
};
MarkedKana splitSoundMark(char16_t kana);

// The one kana that base followed by mark composes to as composeKanaMarks joins them, or 0 when they stay two.
char16_t composedKana(char16_t base, char16_t mark);

} // namespace fururupo
