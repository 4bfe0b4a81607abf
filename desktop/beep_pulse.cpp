#include "desktop/beep.h"

#include <pulse/context.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

// The tone goes to the desktop's sound server (PulseAudio, or PipeWire's
// PulseAudio service) through libpulse. This call runs the library's main loop
// itself, on the caller's thread, against one deadline: where no server
// answers (no desktop session, ssh, CI) the call returns at once, and where one
// answers too slowly it returns silently by the deadline. A server that is not
// running is not started.

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t sampleRate = 44100;
// What connecting and draining may take beyond the tone itself.
constexpr std::chrono::milliseconds serverAllowance{500};
constexpr pa_usec_t bufferTime = 50'000;

// A mono sine tone, faded in and out over a few milliseconds so that it starts
// and stops without a click.
std::vector<std::int16_t> sineTone(int frequencyHz, int durationMs)
{
    const auto samples = static_cast<std::size_t>(sampleRate) * static_cast<std::size_t>(durationMs) / 1000;
    const double fade = std::min<double>(sampleRate / 200.0, static_cast<double>(samples) / 2);
    const double amplitude = 0.4 * 32767;
    std::vector<std::int16_t> tone(samples);
    for (std::size_t i = 0; i < samples; ++i) {
        const double envelope = std::min({1.0, double(i) / fade, double(samples - 1 - i) / fade});
        const double phase = 2 * std::numbers::pi * frequencyHz * double(i) / sampleRate;
        tone[i] = static_cast<std::int16_t>(std::lround(amplitude * envelope * std::sin(phase)));
    }
    return tone;
}

struct LoopFree {
    void operator()(pa_mainloop* loop) const { pa_mainloop_free(loop); }
};
struct ContextEnd {
    void operator()(pa_context* context) const
    {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
};
struct StreamEnd {
    void operator()(pa_stream* stream) const
    {
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
    }
};
struct OperationEnd {
    void operator()(pa_operation* operation) const
    {
        pa_operation_cancel(operation);
        pa_operation_unref(operation);
    }
};

// Runs the loop until settled() holds or the deadline passes.
template <typename Settled>
void runUntil(pa_mainloop* loop, Clock::time_point deadline, Settled settled)
{
    while (!settled()) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
        if (left <= 0 || pa_mainloop_prepare(loop, static_cast<int>(left)) < 0 || pa_mainloop_poll(loop) < 0 ||
            pa_mainloop_dispatch(loop) < 0)
            return;
    }
}

} // namespace

void platformBeep(int frequencyHz, int durationMs)
{
    if (frequencyHz <= 0 || durationMs <= 0)
        return;
    frequencyHz = std::clamp(frequencyHz, 20, static_cast<int>(sampleRate / 2 - 1));
    durationMs = std::min(durationMs, 5000);
    const std::vector<std::int16_t> tone = sineTone(frequencyHz, durationMs);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(durationMs) + serverAllowance;

    const std::unique_ptr<pa_mainloop, LoopFree> loop(pa_mainloop_new());
    if (!loop)
        return;
    const std::unique_ptr<pa_context, ContextEnd> context(
        pa_context_new(pa_mainloop_get_api(loop.get()), "VELTOR Update"));
    if (!context || pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return;
    runUntil(loop.get(), deadline, [&] {
        const pa_context_state_t state = pa_context_get_state(context.get());
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    if (pa_context_get_state(context.get()) != PA_CONTEXT_READY)
        return;

    const pa_sample_spec format{PA_SAMPLE_S16NE, sampleRate, 1};
    const std::unique_ptr<pa_stream, StreamEnd> stream(pa_stream_new(context.get(), "Beep", &format, nullptr));
    // A short buffer, and the server's latency set to match: with the default
    // one of two seconds the server may let the tone sound that much later.
    const auto noPreference = static_cast<std::uint32_t>(-1);
    const pa_buffer_attr buffer{noPreference, static_cast<std::uint32_t>(pa_usec_to_bytes(bufferTime, &format)),
                                noPreference, noPreference, noPreference};
    if (!stream ||
        pa_stream_connect_playback(stream.get(), nullptr, &buffer, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0)
        return;
    runUntil(loop.get(), deadline, [&] {
        const pa_stream_state_t state = pa_stream_get_state(stream.get());
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    });
    if (pa_stream_get_state(stream.get()) != PA_STREAM_READY ||
        pa_stream_write(stream.get(), tone.data(), tone.size() * sizeof tone[0], nullptr, 0, PA_SEEK_RELATIVE) < 0)
        return;

    // Draining starts the playback and ends once the server has played it all.
    const std::unique_ptr<pa_operation, OperationEnd> drain(pa_stream_drain(stream.get(), nullptr, nullptr));
    if (drain)
        runUntil(loop.get(), deadline, [&] { return pa_operation_get_state(drain.get()) != PA_OPERATION_RUNNING; });
}
