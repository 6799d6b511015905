#include "logic/kana_input.h"

#include "logic/kana_marks.h"

#include <algorithm>

namespace fururupo {

namespace {

constexpr char16_t voicedMark = u'\u309B';
constexpr char16_t semiVoicedMark = u'\u309C';
constexpr char16_t shiftMark = u'⇧';

bool isSoundMark(char16_t c)
{
    return c == voicedMark || c == semiVoicedMark;
}

bool isHiragana(char16_t c)
{
    return c >= u'\u3041' && c <= u'\u3096';
}

bool isLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Whether `kana`, typed where the box holds `committed`, is the kana of the word's next character less its sound
// mark, so that the mark is still to come.
bool awaitsSoundMark(char16_t kana, std::u16string_view word, std::u16string_view committed)
{
    if (word.empty() || committed.size() >= word.size() || !word.starts_with(committed))
        return false;
    const char16_t next = word[committed.size()];
    const MarkedKana parts = splitSoundMark(next);
    return parts.mark != 0 && parts.kana == kana;
}

} // namespace

KanaEdit KanaKeyComposer::feed(char16_t typed, std::u16string_view word, std::u16string_view committed)
{
    KanaEdit edit;
    if (typed == 0)
        return edit;
    if (isSoundMark(typed)) {
        if (held != 0) {
            const char16_t joined = joinSoundMark(held, typed);
            edit.commit = joined != 0 ? std::u16string(1, joined) : std::u16string{held, typed};
            held = 0;
        } else if (const char16_t joined = committed.empty() ? 0 : joinSoundMark(committed.back(), typed)) {
            edit.replaced = 1;
            edit.commit.assign(1, joined);
        } else {
            edit.commit.assign(1, typed);
        }
        return edit;
    }
    const char16_t kana =
        outputScript == Script::Katakana && isHiragana(typed) ? static_cast<char16_t>(typed + 0x60) : typed;
    if (held != 0) {
        edit.commit.assign(1, held);
        held = 0;
    }
    std::u16string before(committed);
    before += edit.commit;
    if (awaitsSoundMark(kana, word, before))
        held = kana;
    else
        edit.commit += kana;
    return edit;
}

std::u16string KanaKeyComposer::flush()
{
    std::u16string out;
    if (held != 0)
        out.assign(1, held);
    held = 0;
    return out;
}

bool KanaKeyComposer::backspace()
{
    const bool had = held != 0;
    held = 0;
    return had;
}

KanaHint guideKana(std::u16string_view word, std::u16string_view committed, char16_t pending)
{
    KanaHint hint;
    const std::size_t common = static_cast<std::size_t>(
        std::mismatch(committed.begin(), committed.end(), word.begin(), word.end()).first - committed.begin());
    if (common < committed.size()) {
        hint.mistakeAt = common > 0 && isLowSurrogate(committed[common]) ? common - 1 : common;
        return hint;
    }
    std::size_t at = committed.size();
    if (pending != 0) {
        const MarkedKana next = at < word.size() ? splitSoundMark(word[at]) : MarkedKana{};
        const std::optional<KeyStroke> mark = next.mark != 0 ? strokeOfKana(next.mark) : std::nullopt;
        if (next.kana != pending || !mark) {
            hint.mistakeAt = committed.size();
            return hint;
        }
        hint.keys.push_back({*mark, next.mark});
        ++at;
    }
    for (; at < word.size(); ++at) {
        const char16_t c = word[at];
        // A spacing mark right after a kana it joins cannot be typed: its key would join that kana instead.
        if (isSoundMark(c) && at > 0 && joinSoundMark(word[at - 1], c) != 0) {
            hint.reachesEnd = false;
            return hint;
        }
        if (const std::optional<KeyStroke> stroke = strokeOfKana(c)) {
            hint.keys.push_back({*stroke, c});
            continue;
        }
        const MarkedKana parts = splitSoundMark(c);
        const std::optional<KeyStroke> base = parts.mark != 0 ? strokeOfKana(parts.kana) : std::nullopt;
        if (!base) {
            hint.reachesEnd = false;
            return hint;
        }
        hint.keys.push_back({*base, parts.kana});
        hint.keys.push_back({*strokeOfKana(parts.mark), parts.mark});
    }
    return hint;
}

std::u16string kanaGuideText(std::span<const KanaGuideKey> keys)
{
    std::u16string text;
    text.reserve(2 * keys.size());
    for (const KanaGuideKey& key : keys) {
        if (key.stroke.shift)
            text += shiftMark;
        text += key.types;
    }
    return text;
}

} // namespace fururupo
