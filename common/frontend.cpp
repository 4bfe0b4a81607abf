#include "common/frontend.h"

namespace frontend {
namespace {

class SilentProgress final : public Progress {
public:
    void setMaximum(int) override {}
    void setPosition(int) override {}
};

class SilentAlerts final : public Alerts {
public:
    void beep(int, int) override {}
    void showNotice(const std::string&) override {}
};

SilentProgress silentProgress;
SilentAlerts silentAlerts;

Progress* boundProgress = &silentProgress;
Alerts* boundAlerts = &silentAlerts;
Idle* boundIdle = nullptr;

} // namespace

Progress& progress() { return *boundProgress; }

void beginPhase(RunStep phase)
{
    boundProgress->beginPhase(phase);
}

Alerts& alerts() { return *boundAlerts; }

void whileWaiting()
{
    if (boundIdle)
        boundIdle->whileWaiting();
}

void whileSending()
{
    if (boundIdle)
        boundIdle->whileSending();
}

Binding::Binding(Progress* progress, Alerts* alerts, Idle* idle)
    : previousProgress(boundProgress), previousAlerts(boundAlerts), previousIdle(boundIdle)
{
    if (progress)
        boundProgress = progress;
    if (alerts)
        boundAlerts = alerts;
    if (idle)
        boundIdle = idle;
}

Binding::~Binding()
{
    boundProgress = previousProgress;
    boundAlerts = previousAlerts;
    boundIdle = previousIdle;
}

} // namespace frontend
