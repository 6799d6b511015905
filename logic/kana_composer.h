#pragma once

#include <span>
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

// One spelling the composer knows: these lower-case letters, typed with nothing pending, give this kana.
struct RomajiSpelling
{
    std::string_view romaji;
    std::u16string_view kana;
};

// Every spelling the composer knows, sorted by romaji, so that rules built on the composer agree with it.
std::span<const RomajiSpelling> romajiSpellings();

// Whether KanaComposer::feed(key, word, committed) commits a lone pending n as ん at once when the word goes on with
// ん and then this kana (hiragana or katakana alike); the guide relies on it where ん ends a run of one script.
bool commitsEarlyNBefore(char16_t kana);

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

    // Feeds one key while a word is shown and the box holds `committed`: as feed(key), except that a lone pending "n"
    // is committed as ん at once when the word goes on after the committed text with ん and then ends or goes on with a
    // kana whose romaji starts with a consonant (not a vowel, y, n or ん), so "shinbun" is complete without a second
    // n. The n or ' typed right after such a ん is swallowed as the rest of "nn" or "n'", so "shinnbun" works too.
    // When `committed` is not a prefix of `word` this is plain feed(key).
    std::u16string feed(char16_t key, std::u16string_view word, std::u16string_view committed);

    // Commits the pending letters as a key that cannot continue them would ("n" → ん, others as full-width letters).
    std::u16string flush();

    // Drops the last pending letter; false when nothing was pending, so the caller deletes committed text itself.
    // Either way an early ん's swallowing of the next n ends, so an n typed after deleting that ん counts.
    bool backspace();

    // Forgets the pending letters without committing them.
    void reset()
    {
        pendingKeys.clear();
        swallowNextN = false;
    }

    // The letters typed but not yet committed, as typed (case kept).
    const std::u16string& pending() const { return pendingKeys; }

    // True when key, fed next, would only finish the "nn" or "n'" of the early ん just committed, and commit nothing.
    bool finishesEarlyN(char16_t key) const;

    void setScript(Script script) { outputScript = script; }
    Script script() const { return outputScript; }

private:
    void compose(char16_t key, std::u16string& out);
    void finishPending(std::u16string& out);
    void appendKana(std::u16string_view kana, std::u16string& out) const;

    std::u16string pendingKeys;
    Script outputScript = Script::Hiragana;
    bool swallowNextN = false; // the last key committed an early ん, so an n or ' now would finish "nn" or "n'"
};

} // namespace fururupo
