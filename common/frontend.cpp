#include "common/frontend.h"

namespace {

class SilentProgress final : public frontend::Progress {
public:
    void setMaximum(int) override {}
    void setPosition(int) override {}
};

class SilentAlerts final : public frontend::Alerts {
public:
    void beep(int, int) override {}
    void showNotice(const std::string&) override {}
};

class NoIdle final : public frontend::Idle {
public:
    void whileWaiting() override {}
};

} // namespace

// With nothing bound, everything is silent.
template <>
frontend::Progress& Seam<frontend::Progress>::real()
{
    static SilentProgress silent;
    return silent;
}

template <>
frontend::Alerts& Seam<frontend::Alerts>::real()
{
    static SilentAlerts silent;
    return silent;
}

template <>
frontend::Idle& Seam<frontend::Idle>::real()
{
    static NoIdle none;
    return none;
}

namespace frontend {

Progress& progress() { return Seam<Progress>::get(); }

void beginPhase(RunStep phase)
{
    progress().beginPhase(phase);
}

Alerts& alerts() { return Seam<Alerts>::get(); }

void whileWaiting()
{
    Seam<Idle>::get().whileWaiting();
}

void whileSending()
{
    Seam<Idle>::get().whileSending();
}

Binding::Binding(Progress* progress, Alerts* alerts, Idle* idle)
{
    if (progress)
        boundProgress.emplace(*progress);
    if (alerts)
        boundAlerts.emplace(*alerts);
    if (idle)
        boundIdle.emplace(*idle);
}

} // namespace frontend
