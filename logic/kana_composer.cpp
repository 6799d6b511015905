#include "logic/kana_composer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

namespace fururupo {
namespace {

// Every spelling the composer knows, each romaji lower-case ASCII of at most maxRomajiLength characters. Order does
// not matter: sortedRules() sorts a copy at compile time and rejects duplicates, so adding a row is all it takes to
// teach a new spelling.
// clang-format off
constexpr RomajiSpelling rules[] = {
    // Vowels and their small forms.
    {"a", u"あ"}, {"i", u"い"}, {"u", u"う"}, {"e", u"え"}, {"o", u"お"},
    {"yi", u"い"}, {"wu", u"う"}, {"whu", u"う"}, {"ye", u"いぇ"},
    {"xa", u"ぁ"}, {"xi", u"ぃ"}, {"xu", u"ぅ"}, {"xe", u"ぇ"}, {"xo", u"ぉ"},
    {"la", u"ぁ"}, {"li", u"ぃ"}, {"lu", u"ぅ"}, {"le", u"ぇ"}, {"lo", u"ぉ"},
    {"xyi", u"ぃ"}, {"xye", u"ぇ"}, {"lyi", u"ぃ"}, {"lye", u"ぇ"},
    // K, with the c and q spellings.
    {"ka", u"か"}, {"ki", u"き"}, {"ku", u"く"}, {"ke", u"け"}, {"ko", u"こ"},
    {"ca", u"か"}, {"cu", u"く"}, {"co", u"こ"}, {"qu", u"く"},
    {"kya", u"きゃ"}, {"kyi", u"きぃ"}, {"kyu", u"きゅ"}, {"kye", u"きぇ"}, {"kyo", u"きょ"},
    {"qa", u"くぁ"}, {"qi", u"くぃ"}, {"qe", u"くぇ"}, {"qo", u"くぉ"},
    {"kwa", u"くぁ"}, {"qwa", u"くぁ"}, {"qwi", u"くぃ"}, {"qwu", u"くぅ"}, {"qwe", u"くぇ"}, {"qwo", u"くぉ"},
    {"qya", u"くゃ"}, {"qyu", u"くゅ"}, {"qyo", u"くょ"},
    {"xka", u"ゕ"}, {"lka", u"ゕ"}, {"xke", u"ゖ"}, {"lke", u"ゖ"},
    // G.
    {"ga", u"が"}, {"gi", u"ぎ"}, {"gu", u"ぐ"}, {"ge", u"げ"}, {"go", u"ご"},
    {"gya", u"ぎゃ"}, {"gyi", u"ぎぃ"}, {"gyu", u"ぎゅ"}, {"gye", u"ぎぇ"}, {"gyo", u"ぎょ"},
    {"gwa", u"ぐぁ"}, {"gwi", u"ぐぃ"}, {"gwu", u"ぐぅ"}, {"gwe", u"ぐぇ"}, {"gwo", u"ぐぉ"},
    // S: Hepburn sh, Kunrei sy, and the c spellings.
    {"sa", u"さ"}, {"si", u"し"}, {"shi", u"し"}, {"ci", u"し"}, {"su", u"す"}, {"se", u"せ"}, {"ce", u"せ"},
    {"so", u"そ"},
    {"sya", u"しゃ"}, {"sha", u"しゃ"}, {"syi", u"しぃ"}, {"syu", u"しゅ"}, {"shu", u"しゅ"},
    {"sye", u"しぇ"}, {"she", u"しぇ"}, {"syo", u"しょ"}, {"sho", u"しょ"},
    {"swa", u"すぁ"}, {"swi", u"すぃ"}, {"swu", u"すぅ"}, {"swe", u"すぇ"}, {"swo", u"すぉ"},
    // Z and J.
    {"za", u"ざ"}, {"zi", u"じ"}, {"ji", u"じ"}, {"zu", u"ず"}, {"ze", u"ぜ"}, {"zo", u"ぞ"},
    {"zya", u"じゃ"}, {"ja", u"じゃ"}, {"jya", u"じゃ"}, {"zyi", u"じぃ"}, {"jyi", u"じぃ"},
    {"zyu", u"じゅ"}, {"ju", u"じゅ"}, {"jyu", u"じゅ"}, {"zye", u"じぇ"}, {"je", u"じぇ"}, {"jye", u"じぇ"},
    {"zyo", u"じょ"}, {"jo", u"じょ"}, {"jyo", u"じょ"},
    // T: Hepburn chi/tsu, Kunrei ti/tu, and the foreign-sound combinations.
    {"ta", u"た"}, {"ti", u"ち"}, {"chi", u"ち"}, {"tu", u"つ"}, {"tsu", u"つ"}, {"te", u"て"}, {"to", u"と"},
    {"tya", u"ちゃ"}, {"cha", u"ちゃ"}, {"cya", u"ちゃ"}, {"tyi", u"ちぃ"}, {"cyi", u"ちぃ"},
    {"tyu", u"ちゅ"}, {"chu", u"ちゅ"}, {"cyu", u"ちゅ"}, {"tye", u"ちぇ"}, {"che", u"ちぇ"}, {"cye", u"ちぇ"},
    {"tyo", u"ちょ"}, {"cho", u"ちょ"}, {"cyo", u"ちょ"},
    {"tsa", u"つぁ"}, {"tsi", u"つぃ"}, {"tse", u"つぇ"}, {"tso", u"つぉ"},
    {"tha", u"てゃ"}, {"thi", u"てぃ"}, {"thu", u"てゅ"}, {"the", u"てぇ"}, {"tho", u"てょ"},
    {"twa", u"とぁ"}, {"twi", u"とぃ"}, {"twu", u"とぅ"}, {"twe", u"とぇ"}, {"two", u"とぉ"},
    {"xtu", u"っ"}, {"ltu", u"っ"}, {"xtsu", u"っ"}, {"ltsu", u"っ"},
    // D, with Nihon-shiki di/du.
    {"da", u"だ"}, {"di", u"ぢ"}, {"du", u"づ"}, {"dzu", u"づ"}, {"de", u"で"}, {"do", u"ど"},
    {"dya", u"ぢゃ"}, {"dyi", u"ぢぃ"}, {"dyu", u"ぢゅ"}, {"dye", u"ぢぇ"}, {"dyo", u"ぢょ"},
    {"dha", u"でゃ"}, {"dhi", u"でぃ"}, {"dhu", u"でゅ"}, {"dhe", u"でぇ"}, {"dho", u"でょ"},
    {"dwa", u"どぁ"}, {"dwi", u"どぃ"}, {"dwu", u"どぅ"}, {"dwe", u"どぇ"}, {"dwo", u"どぉ"},
    // N. A lone "n" is ん too, but it waits for the next key because it may still start な…にょ.
    {"na", u"な"}, {"ni", u"に"}, {"nu", u"ぬ"}, {"ne", u"ね"}, {"no", u"の"},
    {"nya", u"にゃ"}, {"nyi", u"にぃ"}, {"nyu", u"にゅ"}, {"nye", u"にぇ"}, {"nyo", u"にょ"},
    {"n", u"ん"}, {"nn", u"ん"}, {"n'", u"ん"}, {"xn", u"ん"},
    // H and F.
    {"ha", u"は"}, {"hi", u"ひ"}, {"hu", u"ふ"}, {"fu", u"ふ"}, {"he", u"へ"}, {"ho", u"ほ"},
    {"hya", u"ひゃ"}, {"hyi", u"ひぃ"}, {"hyu", u"ひゅ"}, {"hye", u"ひぇ"}, {"hyo", u"ひょ"},
    {"fa", u"ふぁ"}, {"fi", u"ふぃ"}, {"fe", u"ふぇ"}, {"fo", u"ふぉ"},
    {"fwa", u"ふぁ"}, {"fwi", u"ふぃ"}, {"fwu", u"ふぅ"}, {"fwe", u"ふぇ"}, {"fwo", u"ふぉ"},
    {"fya", u"ふゃ"}, {"fyi", u"ふぃ"}, {"fyu", u"ふゅ"}, {"fye", u"ふぇ"}, {"fyo", u"ふょ"},
    {"hwa", u"ふぁ"}, {"hwi", u"ふぃ"}, {"hwe", u"ふぇ"}, {"hwo", u"ふぉ"}, {"hwyu", u"ふゅ"},
    // B and P.
    {"ba", u"ば"}, {"bi", u"び"}, {"bu", u"ぶ"}, {"be", u"べ"}, {"bo", u"ぼ"},
    {"bya", u"びゃ"}, {"byi", u"びぃ"}, {"byu", u"びゅ"}, {"bye", u"びぇ"}, {"byo", u"びょ"},
    {"pa", u"ぱ"}, {"pi", u"ぴ"}, {"pu", u"ぷ"}, {"pe", u"ぺ"}, {"po", u"ぽ"},
    {"pya", u"ぴゃ"}, {"pyi", u"ぴぃ"}, {"pyu", u"ぴゅ"}, {"pye", u"ぴぇ"}, {"pyo", u"ぴょ"},
    // M.
    {"ma", u"ま"}, {"mi", u"み"}, {"mu", u"む"}, {"me", u"め"}, {"mo", u"も"},
    {"mya", u"みゃ"}, {"myi", u"みぃ"}, {"myu", u"みゅ"}, {"mye", u"みぇ"}, {"myo", u"みょ"},
    // Y and its small forms.
    {"ya", u"や"}, {"yu", u"ゆ"}, {"yo", u"よ"},
    {"xya", u"ゃ"}, {"xyu", u"ゅ"}, {"xyo", u"ょ"}, {"lya", u"ゃ"}, {"lyu", u"ゅ"}, {"lyo", u"ょ"},
    // R.
    {"ra", u"ら"}, {"ri", u"り"}, {"ru", u"る"}, {"re", u"れ"}, {"ro", u"ろ"},
    {"rya", u"りゃ"}, {"ryi", u"りぃ"}, {"ryu", u"りゅ"}, {"rye", u"りぇ"}, {"ryo", u"りょ"},
    // W, the old ゐ ゑ, and the foreign-sound combinations.
    {"wa", u"わ"}, {"wo", u"を"}, {"xwa", u"ゎ"}, {"lwa", u"ゎ"}, {"wyi", u"ゐ"}, {"wye", u"ゑ"},
    {"wi", u"うぃ"}, {"we", u"うぇ"}, {"wha", u"うぁ"}, {"whi", u"うぃ"}, {"whe", u"うぇ"}, {"who", u"うぉ"},
    // V.
    {"va", u"ゔぁ"}, {"vi", u"ゔぃ"}, {"vu", u"ゔ"}, {"ve", u"ゔぇ"}, {"vo", u"ゔぉ"},
    {"vya", u"ゔゃ"}, {"vyi", u"ゔぃ"}, {"vyu", u"ゔゅ"}, {"vye", u"ゔぇ"}, {"vyo", u"ゔょ"},
    // Punctuation, and the symbols reached through z.
    {"-", u"ー"}, {",", u"、"}, {".", u"。"}, {"[", u"「"}, {"]", u"」"}, {"/", u"・"},
    {"z-", u"〜"}, {"z.", u"…"}, {"z,", u"‥"}, {"z/", u"・"}, {"z[", u"『"}, {"z]", u"』"},
    {"zh", u"←"}, {"zj", u"↓"}, {"zk", u"↑"}, {"zl", u"→"},
};
// clang-format on

constexpr std::size_t maxRomajiLength = 4;

constexpr auto sortedRules()
{
    std::array<RomajiSpelling, std::size(rules)> sorted{};
    std::copy(std::begin(rules), std::end(rules), sorted.begin());
    std::sort(sorted.begin(), sorted.end(),
              [](const RomajiSpelling& a, const RomajiSpelling& b) { return a.romaji < b.romaji; });
    return sorted;
}

constexpr auto table = sortedRules();

constexpr bool tableIsWellFormed()
{
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto romaji = table[i].romaji;
        if (romaji.empty() || romaji.size() > maxRomajiLength || table[i].kana.empty())
            return false;
        for (const char c : romaji)
            if (c < '!' || c > '~' || (c >= 'A' && c <= 'Z'))
                return false;
        if (i > 0 && table[i - 1].romaji == romaji)
            return false;
    }
    return true;
}
static_assert(tableIsWellFormed(), "every romaji spelling must be short lower-case ASCII and appear once");

struct Match
{
    const RomajiSpelling* exact = nullptr; // the rule spelled exactly like the letters, if any
    bool longer = false;                   // some rule starts with the letters and goes on
};

Match lookup(std::string_view letters)
{
    Match match;
    auto it = std::lower_bound(table.begin(), table.end(), letters,
                               [](const RomajiSpelling& rule, std::string_view key) { return rule.romaji < key; });
    if (it != table.end() && it->romaji == letters) {
        match.exact = &*it;
        ++it;
    }
    match.longer = it != table.end() && it->romaji.starts_with(letters);
    return match;
}

char16_t lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool isPrintableAscii(char16_t c)
{
    return c >= 0x20 && c < 0x7F;
}

// Full-width form of printable ASCII; space becomes the ideographic space.
char16_t fullWidth(char16_t c)
{
    return c == u' ' ? u'\u3000' : static_cast<char16_t>(c + 0xFEE0);
}

// A consonant typed twice gives っ and stays pending; n is excluded because "nn" spells ん, and t before c covers
// "tch" as in まっちゃ.
bool doublesToSmallTsu(char16_t first, char16_t second)
{
    if (first < u'a' || first > u'z')
        return false;
    if (first == u't' && second == u'c')
        return true;
    return first == second && std::u16string_view(u"aiueon").find(first) == std::u16string_view::npos;
}

} // namespace

// Kana whose every spelling starts with a consonant that cannot continue a lone "n": all hiragana and katakana except
// the vowels, the y row, the n row and ん itself (small kana are typed with x or l, っ with x, l or a doubled letter).
bool commitsEarlyNBefore(char16_t kana)
{
    if (kana >= u'\u30A1' && kana <= u'\u30F6')
        kana = static_cast<char16_t>(kana - 0x60);
    if (kana < u'\u3041' || kana > u'\u3096')
        return false;
    return std::u16string_view(u"あいうえおやゆよなにぬねのん").find(kana) == std::u16string_view::npos;
}

std::span<const RomajiSpelling> romajiSpellings()
{
    return table;
}

std::u16string toKatakana(std::u16string_view hiragana)
{
    std::u16string out(hiragana);
    for (char16_t& c : out)
        if (c >= u'\u3041' && c <= u'\u3096')
            c = static_cast<char16_t>(c + 0x60);
    return out;
}

std::u16string KanaComposer::feed(char16_t key)
{
    swallowNextN = false;
    std::u16string out;
    compose(key, out);
    return out;
}

std::u16string KanaComposer::feed(char16_t key, std::u16string_view word, std::u16string_view committed)
{
    std::u16string out;
    const bool finishes = finishesEarlyN(key);
    swallowNextN = false;
    if (finishes)
        return out;
    compose(key, out);

    if (pendingKeys.size() != 1 || lower(pendingKeys[0]) != u'n' || !word.starts_with(committed))
        return out;
    std::u16string_view ahead = word.substr(committed.size());
    if (!ahead.starts_with(out))
        return out;
    ahead.remove_prefix(out.size());
    const char16_t n = outputScript == Script::Katakana ? u'ン' : u'ん';
    if (ahead.empty() || ahead[0] != n || (ahead.size() > 1 && !commitsEarlyNBefore(ahead[1])))
        return out;
    out += n;
    pendingKeys.clear();
    swallowNextN = true;
    return out;
}

bool KanaComposer::finishesEarlyN(char16_t key) const
{
    return swallowNextN && (lower(key) == u'n' || key == u'\'');
}

std::u16string KanaComposer::flush()
{
    swallowNextN = false;
    std::u16string out;
    finishPending(out);
    return out;
}

bool KanaComposer::backspace()
{
    swallowNextN = false;
    if (pendingKeys.empty())
        return false;
    pendingKeys.pop_back();
    return true;
}

void KanaComposer::compose(char16_t key, std::u16string& out)
{
    if (key < 0x20 || key == 0x7F)
        return;
    if (!isPrintableAscii(key)) {
        finishPending(out);
        out += key;
        return;
    }

    // Pending never exceeds maxRomajiLength - 1 letters: a full-length spelling has nothing longer to wait for.
    char buffer[maxRomajiLength];
    std::size_t length = 0;
    for (const char16_t c : pendingKeys)
        buffer[length++] = static_cast<char>(lower(c));
    buffer[length++] = static_cast<char>(lower(key));
    const std::string_view letters(buffer, length);

    const Match match = lookup(letters);
    if (match.longer) {
        pendingKeys += key;
        return;
    }
    if (match.exact) {
        appendKana(match.exact->kana, out);
        pendingKeys.clear();
        return;
    }
    if (pendingKeys.empty()) {
        out += fullWidth(key);
        return;
    }
    if (pendingKeys.size() == 1 && doublesToSmallTsu(letters[0], letters[1])) {
        appendKana(u"っ", out);
        pendingKeys.assign(1, key);
        return;
    }
    // The key cannot continue the pending letters: settle them, then let the key start afresh.
    finishPending(out);
    compose(key, out);
}

void KanaComposer::finishPending(std::u16string& out)
{
    if (pendingKeys.empty())
        return;
    char buffer[maxRomajiLength];
    std::size_t length = 0;
    for (const char16_t c : pendingKeys)
        buffer[length++] = static_cast<char>(lower(c));
    const Match match = lookup(std::string_view(buffer, length));
    if (match.exact) {
        appendKana(match.exact->kana, out);
    } else {
        for (const char16_t c : pendingKeys)
            out += fullWidth(c);
    }
    pendingKeys.clear();
}

void KanaComposer::appendKana(std::u16string_view kana, std::u16string& out) const
{
    if (outputScript == Script::Katakana)
        out += toKatakana(kana);
    else
        out += kana;
}

} // namespace fururupo
