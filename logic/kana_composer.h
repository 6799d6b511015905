#pragma once

#include <string>
#include <string_view>

namespace fururupo {

// Which kana a composer commits; full-width Latin letters and punctuation are the same in both.
enum class Script {
    Hiragana,
    Katakana,
};

// Hiragana U+3041..U+3096 become the katakana 0x60 above them; everything else (ー, punctuation, Latin) is kept.
std::u16string toKatakana(std::u16string_view hiragana);

// Turns typed romaji into full-width kana one key at a time, the way an input method's hiragana mode does without
// kanji conversion. Letters that may still grow into a kana are held as pending (the preedit) and never committed
// until a later key, flush() or reset() decides them.
//
// Deliberate input-method behaviour:
// - "nn" is ん, so "onna" gives おんあ and おんな needs "onnna" (or "on'na"); a lone "n" becomes ん when the next key
//   cannot continue it ("kanji" commits ん on the "j").
// - A doubled consonant other than n gives っ ("kk", "ss", "cch"), and so does "t" before "c" ("matcha").
// - Letters that cannot become kana are committed as full-width Latin letters, keeping the case they were typed in.
// - Upper-case letters compose like lower-case ones; katakana comes only from setScript(Script::Katakana).
// - Space gives the ideographic space U+3000; "-" "," "." "[" "]" "/" give ー 、 。 「 」 ・; other printable ASCII
//   gives its full-width form (U+FF01..U+FF5E); "z" before - . , / [ ] h j k l gives 〜 … ‥ ・ 『 』 ← ↓ ↑ →.
// - "xka" and "xke" give the small hiragana ゕ ゖ, which katakana mode turns into ヵ ヶ.
// - Control characters are ignored; any other non-ASCII character finishes the pending letters and passes through.
class KanaComposer
{
public:
    // Feeds one typed character and returns what it commits: often nothing, sometimes several characters ("っ" and a
    // pending letter's replacement, or a finished "ん" followed by punctuation).
    std::u16string feed(char16_t key);

    // Commits the pending letters as a key that cannot continue them would ("n" → ん, others as full-width letters).
    std::u16string flush();

    // Drops the last pending letter; false when nothing was pending, so the caller deletes committed text itself.
    bool backspace();

    // Forgets the pending letters without committing them.
    void reset() { pendingKeys.clear(); }

    // The letters typed but not yet committed, as typed (case kept).
    const std::u16string& pending() const { return pendingKeys; }

    void setScript(Script script) { outputScript = script; }
    Script script() const { return outputScript; }

private:
    void compose(char16_t key, std::u16string& out);
    void finishPending(std::u16string& out);
    void appendKana(std::u16string_view kana, std::u16string& out) const;

    std::u16string pendingKeys;
    Script outputScript = Script::Hiragana;
};

} // namespace fururupo
