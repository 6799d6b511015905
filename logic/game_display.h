#pragma once

#include <string_view>

namespace fururupo {

// Every visible effect of a game goes through here; each call is applied at once, even when nothing changes.
class GameDisplay
{
public:
    virtual ~GameDisplay() = default;
    virtual void setPrompt(std::u16string_view text) = 0;
    // The kana reading of the word just given to setPrompt, for a word written in kanji; called right after that
    // setPrompt and only when the word has a reading. A display that shows no readings may ignore it.
    virtual void setReading(std::u16string_view) {}
    virtual void setExplanation(std::u16string_view text) = 0;
    virtual void setStars(std::u16string_view text) = 0;
    virtual void setSpeedCaption(std::u16string_view text) = 0;
    virtual void setInputText(std::u16string_view text) = 0;
    virtual void setCountdownClock(bool on) = 0;
    virtual void setWordClock(bool on) = 0;
    // The 21st word was typed and the record shown: the game's tally is complete. A display that keeps no results
    // may ignore it.
    virtual void gameFinished() {}
};

} // namespace fururupo
