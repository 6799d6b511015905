#pragma once

#include "logic/game_display.h"

#include <string>
#include <utility>
#include <vector>

namespace fururupo::testing {

// A display that remembers every assignment, in order, and the latest value of each element.
struct RecordingDisplay final : GameDisplay
{
    void setPrompt(std::u16string_view text) override { record(u"prompt", text, prompt); }
    void setReading(std::u16string_view text) override { record(u"reading", text, reading); }
    void setExplanation(std::u16string_view text) override { record(u"explanation", text, explanation); }
    void setStars(std::u16string_view text) override { record(u"stars", text, stars); }
    void setSpeedCaption(std::u16string_view text) override { record(u"speed", text, speed); }
    void setInputText(std::u16string_view text) override { record(u"input", text, input); }
    void setCountdownClock(bool on) override
    {
        countdownClock = on, calls.push_back({u"countdownClock", on ? u"on" : u"off"});
    }
    void setWordClock(bool on) override { wordClock = on, calls.push_back({u"wordClock", on ? u"on" : u"off"}); }
    // Counted apart from the calls, so that the order of the visible assignments reads the same with or without it.
    void gameFinished() override { ++finishes; }

    void record(std::u16string_view element, std::u16string_view text, std::u16string& latest)
    {
        latest = std::u16string(text);
        calls.push_back({std::u16string(element), latest});
    }

    std::vector<std::pair<std::u16string, std::u16string>> calls;
    std::u16string prompt, reading, explanation, stars, speed = u"(unset)", input;
    bool countdownClock = false, wordClock = false;
    int finishes = 0;
};

} // namespace fururupo::testing
