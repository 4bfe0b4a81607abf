#pragma once

#include "common/frontend.h"

#include <string>
#include <vector>

// Records everything the core shows, in order, for assertions.
class RecordingFrontend : public frontend::Progress, public frontend::Alerts {
public:
    struct Event {
        enum Kind { Maximum, Position, Beep, Notice } kind;
        int value = 0;       // maximum, position or frequency
        int duration = 0;    // beep only
        std::string text;    // notice only
    };

    RecordingFrontend() : binding(this, this) {}

    void setMaximum(int maximum) override
    {
        currentMaximum = maximum;
        events.push_back({Event::Maximum, maximum, 0, {}});
    }
    void setPosition(int position) override
    {
        currentPosition = position;
        if (position > highestPosition)
            highestPosition = position;
        events.push_back({Event::Position, position, 0, {}});
    }
    void beginPhase(RunStep phase) override
    {
        phases.push_back(phase);
    }
    void beep(int frequencyHz, int durationMs) override
    {
        events.push_back({Event::Beep, frequencyHz, durationMs, {}});
    }
    void showNotice(const std::string& text) override
    {
        notices.push_back(text);
        events.push_back({Event::Notice, 0, 0, text});
    }

    int beeps() const
    {
        int count = 0;
        for (const Event& event : events)
            count += event.kind == Event::Beep;
        return count;
    }

    int currentMaximum = -1;
    int currentPosition = -1;
    int highestPosition = -1;
    std::vector<std::string> notices;
    std::vector<RunStep> phases;   // apart from the events: they show nothing
    std::vector<Event> events;

private:
    frontend::Binding binding;
};
