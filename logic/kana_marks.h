#pragma once

#include <string>

namespace fururupo {

// Joins each kana followed by a combining voiced or semi-voiced sound mark (U+3099, U+309A) into the one precomposed
// kana Unicode composes them to (か + U+3099 → が, は + U+309A → ぱ, ウ + U+3099 → ヴ), as NFC does, so that a list
// saved by a program that writes decomposed text shows and plays the same kana as any other. A mark after anything
// else stays, and the spacing marks ゛ ゜ (U+309B, U+309C) are never joined.
void composeKanaMarks(std::u16string& text);

// The one kana that base followed by mark composes to as composeKanaMarks joins them, or 0 when they stay two.
char16_t composedKana(char16_t base, char16_t mark);

} // namespace fururupo
