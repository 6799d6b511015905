#include "logic/romaji_guide.h"

#include "logic/kana_composer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <tuple>
#include <vector>

namespace fururupo {
namespace {

struct FamilyMark
{
    std::string_view romaji;
    SpellingFamily family;
};

// The syllables that tell the families apart. A syllable the player commits with one of these spellings makes that
// family the guide's for every later syllable, until a syllable of the other family switches it back (the latest
// one counts, as players who mix do so on purpose); any other spelling (ka, ci, jya, cya, dzu) leaves it as it was.
// clang-format off
constexpr FamilyMark familyMarks[] = {
    {"shi", SpellingFamily::Hepburn}, {"sha", SpellingFamily::Hepburn}, {"shu", SpellingFamily::Hepburn},
    {"she", SpellingFamily::Hepburn}, {"sho", SpellingFamily::Hepburn}, {"chi", SpellingFamily::Hepburn},
    {"cha", SpellingFamily::Hepburn}, {"chu", SpellingFamily::Hepburn}, {"che", SpellingFamily::Hepburn},
    {"cho", SpellingFamily::Hepburn}, {"tsu", SpellingFamily::Hepburn}, {"fu", SpellingFamily::Hepburn},
    {"ji", SpellingFamily::Hepburn}, {"ja", SpellingFamily::Hepburn}, {"ju", SpellingFamily::Hepburn},
    {"je", SpellingFamily::Hepburn}, {"jo", SpellingFamily::Hepburn},
    {"si", SpellingFamily::Kunrei}, {"sya", SpellingFamily::Kunrei}, {"syu", SpellingFamily::Kunrei},
    {"sye", SpellingFamily::Kunrei}, {"syo", SpellingFamily::Kunrei}, {"ti", SpellingFamily::Kunrei},
    {"tya", SpellingFamily::Kunrei}, {"tyu", SpellingFamily::Kunrei}, {"tye", SpellingFamily::Kunrei},
    {"tyo", SpellingFamily::Kunrei}, {"tu", SpellingFamily::Kunrei}, {"hu", SpellingFamily::Kunrei},
    {"zi", SpellingFamily::Kunrei}, {"zya", SpellingFamily::Kunrei}, {"zyu", SpellingFamily::Kunrei},
    {"zye", SpellingFamily::Kunrei}, {"zyo", SpellingFamily::Kunrei},
};
// clang-format on

std::optional<SpellingFamily> familyOf(std::string_view romaji)
{
    for (const FamilyMark& mark : familyMarks)
        if (mark.romaji == romaji)
            return mark.family;
    return std::nullopt;
}

// Order of preference among the spellings of one kana: the family's own first, then those of neither family, then
// the other family's; plain letters before the c, q and l spellings (ka before ca, xa before la); shorter first.
auto preference(std::string_view romaji, SpellingFamily family)
{
    const std::optional<SpellingFamily> own = familyOf(romaji);
    const int familyRank = !own ? 1 : *own == family ? 0 : 2;
    const int letterRank = std::string_view("cql").find(romaji.front()) == std::string_view::npos ? 0 : 1;
    return std::tuple(familyRank, letterRank, romaji.size(), romaji);
}

constexpr std::uint32_t pack(char16_t first, char16_t second = 0)
{
    return static_cast<std::uint32_t>(first) << 16 | second;
}

// The composer's spellings by the kana they give (one kana, or two such as しゃ), best first for each family.
class SpellingIndex
{
public:
    struct Entry
    {
        std::uint32_t kana;
        std::array<std::vector<std::string_view>, 2> byFamily; // indexed by SpellingFamily
    };

    SpellingIndex()
    {
        for (const RomajiSpelling& spelling : romajiSpellings()) {
            if (spelling.kana.size() > 2)
                continue;
            const std::uint32_t kana = pack(spelling.kana[0], spelling.kana.size() > 1 ? spelling.kana[1] : 0);
            auto it = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.kana == kana; });
            if (it == entries.end())
                it = entries.insert(entries.end(), Entry{kana, {}});
            for (auto& list : it->byFamily)
                list.push_back(spelling.romaji);
        }
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.kana < b.kana; });
        for (Entry& entry : entries)
            for (const SpellingFamily family : {SpellingFamily::Hepburn, SpellingFamily::Kunrei})
                std::sort(entry.byFamily[static_cast<int>(family)].begin(),
                          entry.byFamily[static_cast<int>(family)].end(),
                          [family](std::string_view a, std::string_view b) {
                              return preference(a, family) < preference(b, family);
                          });
        for (const RomajiSpelling& spelling : romajiSpellings())
            if (firstLetters.find(spelling.romaji.front()) == std::string::npos)
                firstLetters += spelling.romaji.front();
    }

    const Entry* find(std::uint32_t kana) const
    {
        auto it = std::lower_bound(entries.begin(), entries.end(), kana,
                                   [](const Entry& e, std::uint32_t k) { return e.kana < k; });
        return it != entries.end() && it->kana == kana ? &*it : nullptr;
    }

    // Whether some spelling starts with this character, so that typing it alone does not give its full-width form.
    bool startsASpelling(char c) const { return firstLetters.find(c) != std::string::npos; }

private:
    std::vector<Entry> entries;
    std::string firstLetters;
};

const SpellingIndex& spellingIndex()
{
    static const SpellingIndex index;
    return index;
}

constexpr char16_t smallTsu = u'っ';
constexpr char16_t kanaN = u'ん';

char16_t toHiragana(char16_t c)
{
    return c >= u'\u30A1' && c <= u'\u30F6' ? static_cast<char16_t>(c - 0x60) : c;
}

// The box's mode a character is typed in; none for ー, punctuation and symbols, which either mode gives alike.
std::optional<Script> scriptOf(char16_t c)
{
    if (c >= u'\u3041' && c <= u'\u3096')
        return Script::Hiragana;
    if (c >= u'\u30A1' && c <= u'\u30FA')
        return Script::Katakana;
    return std::nullopt;
}

// Whether the kana at `at` and the one after it are of different scripts, so that the player switches mode between
// them and no spelling may run from one into the other.
bool switchesAfter(std::u16string_view word, std::size_t at)
{
    if (at + 1 >= word.size())
        return false;
    const std::optional<Script> here = scriptOf(word[at]);
    const std::optional<Script> next = scriptOf(word[at + 1]);
    return here && next && *here != *next;
}

bool isLetter(char c)
{
    return c >= 'a' && c <= 'z';
}

// A letter the composer turns into っ when typed twice.
bool doubles(char c)
{
    return isLetter(c) && std::string_view("aiueon").find(c) == std::string_view::npos;
}

// A key that would continue a lone "n" into another kana instead of finishing it as ん.
bool continuesN(char c)
{
    return std::string_view("aiueoyn'").find(c) != std::string_view::npos;
}

// Every printable ASCII character as a one-letter string, for spellings of full-width characters.
constexpr auto asciiLetters = [] {
    std::array<char, 128> letters{};
    for (std::size_t i = 0; i < letters.size(); ++i)
        letters[i] = static_cast<char>(i);
    return letters;
}();

// One kana (or pair, or full-width character) of the word and the spellings that give it.
struct Unit
{
    std::size_t length = 0;                      // characters of the word it covers; 0 when no key gives it
    const SpellingIndex::Entry* entry = nullptr; // null for a full-width character typed as its ASCII form
    std::string_view ascii;

    const std::vector<std::string_view>* all(SpellingFamily family) const
    {
        return entry ? &entry->byFamily[static_cast<int>(family)] : nullptr;
    }

    std::string_view best(SpellingFamily family) const { return entry ? all(family)->front() : ascii; }
};

// A full-width character typed as one ASCII key: the ideographic space, and full-width punctuation and digits whose
// ASCII key starts no spelling (a "-" gives ー, not －). Full-width letters are never typed: a letter composes.
std::string_view asciiSpelling(char16_t c)
{
    char ascii = 0;
    if (c == u'\u3000')
        ascii = ' ';
    else if (c >= u'\uFF01' && c <= u'\uFF5E')
        ascii = static_cast<char>(c - 0xFEE0);
    if (!ascii || isLetter(ascii) || (ascii >= 'A' && ascii <= 'Z') || spellingIndex().startsASpelling(ascii))
        return {};
    return std::string_view(&asciiLetters[static_cast<unsigned char>(ascii)], 1);
}

// The unit at `at`: a two-kana spelling (しゃ, てぃ) wins over its first kana alone, which needs fewer keys, unless the
// two are of different scripts (しャ is し, then ャ in the other mode).
Unit unitAt(std::u16string_view word, std::size_t at)
{
    Unit unit;
    if (at >= word.size())
        return unit;
    const SpellingIndex& index = spellingIndex();
    const char16_t first = toHiragana(word[at]);
    if (at + 1 < word.size() && !switchesAfter(word, at)) {
        if (const auto* entry = index.find(pack(first, toHiragana(word[at + 1])))) {
            unit.length = 2;
            unit.entry = entry;
            return unit;
        }
    }
    if (const auto* entry = index.find(pack(first))) {
        unit.length = 1;
        unit.entry = entry;
    } else if (const std::string_view ascii = asciiSpelling(word[at]); !ascii.empty()) {
        unit.length = 1;
        unit.ascii = ascii;
    }
    return unit;
}

char firstKey(std::u16string_view word, std::size_t at, SpellingFamily family);

// The letter that spells っ at `at` by doubling the first key of what follows (the k of kka, the c of cchi), or 0 where
// that key does not double, and before a kana of the other script: the doubled letter would still be pending when
// the player switches mode, and the switch commits pending letters as they stand.
char doubledLetter(std::u16string_view word, std::size_t at, SpellingFamily family)
{
    if (switchesAfter(word, at))
        return 0;
    const char next = firstKey(word, at + 1, family);
    return doubles(next) ? next : 0;
}

// The first key the guide shows for the word from `at` on; 0 at the end or before a character no key gives.
char firstKey(std::u16string_view word, std::size_t at, SpellingFamily family)
{
    if (at >= word.size())
        return 0;
    const char16_t kana = toHiragana(word[at]);
    if (kana == smallTsu) {
        const char letter = doubledLetter(word, at, family);
        return letter ? letter : 'x';
    }
    if (kana == kanaN)
        return 'n';
    const Unit unit = unitAt(word, at);
    return unit.length ? unit.best(family).front() : 0;
}

// Whether ん at `at` is finished by a lone "n": at the end of the word (the composer's early ん), or before a key that
// cannot continue it. Before a character no key gives it is "nn", so that the ん is committed whatever comes. Before a
// kana of the other script a lone n would still be pending at the switch, so it is "n" only where the composer
// commits the ん at once (ンか), "nn" otherwise (ンア).
bool loneNFinishes(std::u16string_view word, std::size_t at, SpellingFamily family)
{
    if (at + 1 == word.size())
        return true;
    if (switchesAfter(word, at))
        return commitsEarlyNBefore(word[at + 1]);
    const char next = firstKey(word, at + 1, family);
    return next && !continuesN(next);
}

void append(std::u16string& out, std::string_view letters)
{
    out.append(letters.begin(), letters.end());
}

// Spells the word from `at` to its end, or to a character no key gives; false in that case.
bool spellFrom(std::u16string_view word, std::size_t at, SpellingFamily family, std::u16string& out)
{
    while (at < word.size()) {
        const char16_t kana = toHiragana(word[at]);
        if (kana == smallTsu) {
            // っ doubles the first letter of what follows (kka, ssha, cchi, ttsu) where that letter doubles.
            const char letter = doubledLetter(word, at, family);
            append(out, letter ? std::string_view(&asciiLetters[static_cast<unsigned char>(letter)], 1) : "xtu");
            ++at;
            continue;
        }
        if (kana == kanaN) {
            append(out, loneNFinishes(word, at, family) ? "n" : "nn");
            ++at;
            continue;
        }
        const Unit unit = unitAt(word, at);
        if (!unit.length)
            return false;
        append(out, unit.best(family));
        at += unit.length;
    }
    return true;
}

// Finds the family's best spelling of the unit at `at` that begins with the letters `typed` and, when `firstLetters`
// is not empty, with one of those letters; appends what it has beyond `typed` and returns the characters of the word
// it covers, 0 when there is none.
std::size_t continueFrom(std::string_view typed, std::string_view firstLetters, std::u16string_view word,
                         std::size_t at, SpellingFamily family, std::u16string& out)
{
    if (at >= word.size())
        return 0;
    auto fits = [&](std::string_view spelling) {
        return spelling.starts_with(typed) &&
               (firstLetters.empty() || firstLetters.find(spelling.front()) != std::string_view::npos);
    };
    const char16_t kana = toHiragana(word[at]);

    if (kana == kanaN) {
        for (const std::string_view spelling : {"n", "nn", "n'", "xn"}) {
            if ((spelling != "n" || loneNFinishes(word, at, family)) && fits(spelling)) {
                append(out, spelling.substr(typed.size()));
                return 1;
            }
        }
        return 0;
    }

    // A pair first, then one kana alone; っ alone has its own spellings (xtu, ltsu).
    const Unit pair = unitAt(word, at);
    Unit single;
    if (pair.length == 2) {
        single.entry = spellingIndex().find(pack(kana));
        single.length = single.entry ? 1 : 0;
    }
    for (const Unit& unit : {pair, single}) {
        if (!unit.length)
            continue;
        if (!unit.entry) {
            if (fits(unit.ascii)) {
                append(out, unit.ascii.substr(typed.size()));
                return 1;
            }
            continue;
        }
        for (const std::string_view spelling : *unit.all(family)) {
            if (fits(spelling)) {
                append(out, spelling.substr(typed.size()));
                return unit.length;
            }
        }
    }

    if (kana != smallTsu)
        return 0;
    // っ as a doubled letter: the letter typed (or to type) first, then a spelling of what follows that starts with
    // the same letter, or with c after t (tchi); never into a kana of the other script (ッか), as the switch between
    // would commit the second letter alone.
    auto doubled = [&](char letter, std::string_view rest) -> std::size_t {
        if (!doubles(letter) || switchesAfter(word, at) ||
            (!firstLetters.empty() && firstLetters.find(letter) == std::string_view::npos))
            return 0;
        const char both[] = {letter, 'c'};
        const std::size_t covered =
            continueFrom(rest, std::string_view(both, letter == 't' ? 2 : 1), word, at + 1, family, out);
        return covered ? covered + 1 : 0;
    };
    if (!typed.empty())
        return doubled(typed.front(), typed.substr(1));
    // Nothing typed yet but the letter is fixed by a っ before this one (the second っ of っっか).
    const std::size_t mark = out.size();
    for (const char letter : firstLetters) {
        out += static_cast<char16_t>(letter);
        if (const std::size_t covered = doubled(letter, {}))
            return covered;
        out.resize(mark);
    }
    return 0;
}

// Pending letters, lower-cased, when they are ASCII and short enough to be the start of a spelling.
std::optional<std::string> lowerAscii(std::u16string_view letters)
{
    if (letters.size() > 4)
        return std::nullopt;
    std::string out;
    for (char16_t c : letters) {
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c < 0x21 || c > 0x7E)
            return std::nullopt;
        out += static_cast<char>(c);
    }
    return out;
}

bool isLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

RomajiHint guideRomaji(std::u16string_view word, std::u16string_view committed, std::u16string_view pending,
                       SpellingFamily family)
{
    RomajiHint hint;
    const std::size_t common = static_cast<std::size_t>(
        std::mismatch(committed.begin(), committed.end(), word.begin(), word.end()).first - committed.begin());
    if (common < committed.size()) {
        hint.mistakeAt = common > 0 && isLowSurrogate(committed[common]) ? common - 1 : common;
        return hint;
    }

    const std::u16string_view ahead = word.substr(committed.size());
    hint.rest.reserve(3 * ahead.size());
    std::size_t at = 0;
    if (!pending.empty()) {
        const std::optional<std::string> typed = lowerAscii(pending);
        at = typed ? continueFrom(*typed, {}, ahead, 0, family, hint.rest) : 0;
        if (!at) {
            hint.rest.clear();
            hint.mistakeAt = committed.size();
            return hint;
        }
    }
    hint.reachesEnd = spellFrom(ahead, at, family, hint.rest);
    return hint;
}

void RomajiGuide::follow(std::u16string_view pendingBefore, char16_t key)
{
    std::u16string letters(pendingBefore);
    letters += key;
    if (const std::optional<std::string> typed = lowerAscii(letters))
        if (const std::optional<SpellingFamily> family = familyOf(*typed))
            spelling = *family;
}

} // namespace fururupo
