#include "logic/next_key.h"

#include "logic/kana_input.h"

namespace fururupo {

namespace {

bool isHiragana(char16_t c)
{
    return c >= u'\u3041' && c <= u'\u3096';
}

bool isKatakana(char16_t c)
{
    return c >= u'\u30A1' && c <= u'\u30FA';
}

std::u16string toHiragana(std::u16string_view text)
{
    std::u16string out(text);
    for (char16_t& c : out)
        if (c >= u'\u30A1' && c <= u'\u30F6')
            c = static_cast<char16_t>(c - 0x60);
    return out;
}

// A Latin letter of an input method's composition, half- or full-width, as the lower-case ASCII letter typed; 0 for
// anything else.
char16_t typedLetter(char16_t c)
{
    if (c >= u'\uFF21' && c <= u'\uFF3A')
        c = static_cast<char16_t>(c - 0xFEE0);
    else if (c >= u'\uFF41' && c <= u'\uFF5A')
        c = static_cast<char16_t>(c - 0xFEE0);
    if (c >= u'A' && c <= u'Z')
        return static_cast<char16_t>(c - u'A' + u'a');
    return c >= u'a' && c <= u'z' ? c : 0;
}

NextKey pressing(const std::optional<KeyStroke>& stroke, KeyboardLayout layout)
{
    if (!stroke || !placeOf(layout, stroke->key))
        return {};
    NextKey next{NextKey::Kind::Press, {stroke->key, std::nullopt}};
    if (stroke->shift) {
        const KeyboardKey shift = shiftFor(stroke->key);
        if (placeOf(layout, shift))
            next.press.shift = shift;
    }
    return next;
}

NextKey pressing(KeyboardKey key, KeyboardLayout layout)
{
    return pressing(KeyStroke{key, false}, layout);
}

NextKey typingLetter(char16_t letter, KeyboardLayout layout)
{
    return pressing(strokeOfCharacter(layout, letter), layout);
}

// The key that switches the box between kana and Latin letters: 半角/全角 on the Japanese keyboard, F10 on the US one,
// which has no such key.
KeyboardKey latinKey(KeyboardLayout layout)
{
    return layout == KeyboardLayout::Jis ? KeyboardKey::Grave : KeyboardKey::F10;
}

// An input method composes in its own romaji mode, in hiragana, and converts to katakana only at the end: the word and
// what is typed are compared as hiragana.
NextKey nextInComposition(const TypingPoint& at, KeyboardLayout layout)
{
    const std::u16string_view composition = at.pending;
    std::size_t lettersFrom = composition.size();
    while (lettersFrom > 0 && typedLetter(composition[lettersFrom - 1]) != 0)
        --lettersFrom;
    std::u16string letters;
    for (const char16_t c : composition.substr(lettersFrom))
        letters += typedLetter(c);
    const std::u16string word = toHiragana(at.word);
    const std::u16string typed = toHiragana(at.committed) + toHiragana(composition.substr(0, lettersFrom));
    if (!word.starts_with(typed))
        return {};
    const RomajiHint hint = guideRomaji(word, typed, letters, at.family);
    if (hint.mistaken())
        return {};
    if (!hint.rest.empty())
        return typingLetter(hint.rest.front(), layout);
    if (!hint.reachesEnd)
        return {};
    // Every kana is there but a lone n, which an input method finishes as ん only with a second n; then Enter commits.
    return letters == u"n" ? typingLetter(u'n', layout) : pressing(KeyboardKey::Return, layout);
}

} // namespace

bool needsScriptSwitch(std::u16string_view word, std::size_t committed, bool pending, BoxMode mode)
{
    if (pending || mode == BoxMode::Latin || committed >= word.size())
        return false;
    const char16_t next = word[committed];
    return (isHiragana(next) && mode == BoxMode::Katakana) || (isKatakana(next) && mode == BoxMode::Hiragana);
}

NextKey nextKeyAt(const TypingPoint& at, KeyboardLayout layout)
{
    if (at.word.empty())
        return {};
    if (at.composing)
        return nextInComposition(at, layout);
    const bool kana = at.kanaInput && at.mode != BoxMode::Latin;
    const bool pending = !at.pending.empty() || at.pendingKana != 0;
    std::optional<KeyStroke> stroke;
    if (kana) {
        const KanaHint hint = guideKana(at.word, at.committed, at.pendingKana);
        if (hint.mistaken())
            return {NextKey::Kind::Mistake};
        if (!hint.keys.empty())
            stroke = hint.keys.front().stroke;
    } else {
        const RomajiHint hint = guideRomaji(at.word, at.committed, at.pending, at.family);
        if (hint.mistaken())
            return {NextKey::Kind::Mistake};
        if (!hint.rest.empty())
            stroke = strokeOfCharacter(layout, hint.rest.front());
    }
    if (at.committed == at.word && !pending)
        return pressing(KeyboardKey::Return, layout);
    if (at.mode == BoxMode::Latin)
        return pressing(latinKey(layout), layout);
    if (needsScriptSwitch(at.word, at.committed.size(), pending, at.mode))
        return pressing(KeyboardKey::F7, layout);
    return pressing(stroke, layout);
}

std::optional<KeyboardKey> keyPressed(const PressedKey& pressed, KeyboardLayout layout)
{
    std::optional<KeyboardKey> key = keyOfX11Keycode(pressed.x11Keycode);
    if (!key) {
        if (const std::optional<KeyStroke> stroke = strokeOfCharacter(layout, pressed.character))
            key = stroke->key;
    }
    if (key && !placeOf(layout, *key))
        return std::nullopt;
    return key;
}

const LitKeys& KeyboardCoach::follow(const TypingPoint& now, KeyboardLayout layout,
                                     const std::optional<PressedKey>& pressed)
{
    const NextKey next = nextKeyAt(now, layout);
    switch (next.kind) {
    case NextKey::Kind::Mistake:
        if (!shown.slipped) {
            shown.slipped = true;
            shown.hit = pressed ? keyPressed(*pressed, layout) : std::nullopt;
        }
        break;
    case NextKey::Kind::Press:
        shown = {next.press, std::nullopt, false};
        break;
    case NextKey::Kind::Nothing:
        shown = {};
        break;
    }
    return shown;
}

} // namespace fururupo
