#include "logic/kana_marks.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace fururupo {

namespace {

constexpr char16_t voicedMark = u'\u3099';
constexpr char16_t semiVoicedMark = u'\u309A';
constexpr char16_t spacingVoicedMark = u'\u309B';
constexpr char16_t spacingSemiVoicedMark = u'\u309C';
constexpr char16_t firstKana = u'\u3040';
constexpr char16_t lastKana = u'\u30FF';

struct Composition
{
    char16_t base;
    char16_t voiced;     // base + U+3099
    char16_t semiVoiced; // base + U+309A, or 0
};

// Every canonical composition of a kana with U+3099 or U+309A.
constexpr Composition compositions[] = {
    {u'う', u'ゔ', 0},     {u'か', u'が', 0},     {u'き', u'ぎ', 0},     {u'く', u'ぐ', 0},     {u'け', u'げ', 0},
    {u'こ', u'ご', 0},     {u'さ', u'ざ', 0},     {u'し', u'じ', 0},     {u'す', u'ず', 0},     {u'せ', u'ぜ', 0},
    {u'そ', u'ぞ', 0},     {u'た', u'だ', 0},     {u'ち', u'ぢ', 0},     {u'つ', u'づ', 0},     {u'て', u'で', 0},
    {u'と', u'ど', 0},     {u'は', u'ば', u'ぱ'}, {u'ひ', u'び', u'ぴ'}, {u'ふ', u'ぶ', u'ぷ'}, {u'へ', u'べ', u'ぺ'},
    {u'ほ', u'ぼ', u'ぽ'}, {u'ゝ', u'ゞ', 0},     {u'ウ', u'ヴ', 0},     {u'カ', u'ガ', 0},     {u'キ', u'ギ', 0},
    {u'ク', u'グ', 0},     {u'ケ', u'ゲ', 0},     {u'コ', u'ゴ', 0},     {u'サ', u'ザ', 0},     {u'シ', u'ジ', 0},
    {u'ス', u'ズ', 0},     {u'セ', u'ゼ', 0},     {u'ソ', u'ゾ', 0},     {u'タ', u'ダ', 0},     {u'チ', u'ヂ', 0},
    {u'ツ', u'ヅ', 0},     {u'テ', u'デ', 0},     {u'ト', u'ド', 0},     {u'ハ', u'バ', u'パ'}, {u'ヒ', u'ビ', u'ピ'},
    {u'フ', u'ブ', u'プ'}, {u'ヘ', u'ベ', u'ペ'}, {u'ホ', u'ボ', u'ポ'}, {u'ワ', u'ヷ', 0},     {u'ヰ', u'ヸ', 0},
    {u'ヱ', u'ヹ', 0},     {u'ヲ', u'ヺ', 0},     {u'ヽ', u'ヾ', 0},
};

// The same, indexed by the base's offset in the kana blocks, for one look-up a character.
constexpr auto byBase = [] {
    std::array<Composition, lastKana - firstKana + 1> table{};
    for (const Composition& c : compositions)
        table[static_cast<std::size_t>(c.base - firstKana)] = c;
    return table;
}();

} // namespace

char16_t joinSoundMark(char16_t kana, char16_t mark)
{
    if (kana < firstKana || kana > lastKana)
        return 0;
    const Composition& entry = byBase[static_cast<std::size_t>(kana - firstKana)];
    if (entry.base == 0)
        return 0;
    switch (mark) {
    case voicedMark:
    case spacingVoicedMark:
        return entry.voiced;
    case semiVoicedMark:
    case spacingSemiVoicedMark:
        return entry.semiVoiced;
    default:
        return 0;
    }
}

MarkedKana splitSoundMark(char16_t kana)
{
    for (const Composition& c : compositions) {
        if (c.voiced == kana)
            return {c.base, spacingVoicedMark};
        if (c.semiVoiced != 0 && c.semiVoiced == kana)
            return {c.base, spacingSemiVoicedMark};
    }
    return {kana, 0};
}

char16_t composedKana(char16_t base, char16_t mark)
{
    return mark == voicedMark || mark == semiVoicedMark ? joinSoundMark(base, mark) : 0;
}

void composeKanaMarks(std::u16string& text)
{
    // Most lines hold no mark at all: find the first before rewriting anything.
    const auto isMark = [](char16_t c) { return c == voicedMark || c == semiVoicedMark; };
    const std::size_t first = static_cast<std::size_t>(std::find_if(text.begin(), text.end(), isMark) - text.begin());
    std::size_t out = first;
    for (std::size_t in = first; in < text.size(); ++in) {
        const char16_t c = text[in];
        if (isMark(c) && out > 0) {
            if (const char16_t composed = joinSoundMark(text[out - 1], c)) {
                text[out - 1] = composed;
                continue;
            }
        }
        text[out++] = c;
    }
    text.resize(out);
}

} // namespace fururupo
