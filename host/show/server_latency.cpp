#include "server_latency.h"

#include "transport.h"

#include <SDL.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>

#if KRELAN_HAVE_PULSE

#include <dlfcn.h>
#include <pulse/pulseaudio.h>
#include <unistd.h>

#include <chrono>

namespace {

// The few libpulse entry points the watch uses, looked up in the library
// loaded at run time (the declarations come from libpulse's headers).
struct Pulse {
    void* library = nullptr;
    decltype(&pa_mainloop_new) mainloop_new;
    decltype(&pa_mainloop_get_api) mainloop_get_api;
    decltype(&pa_mainloop_prepare) mainloop_prepare;
    decltype(&pa_mainloop_poll) mainloop_poll;
    decltype(&pa_mainloop_dispatch) mainloop_dispatch;
    decltype(&pa_mainloop_free) mainloop_free;
    decltype(&pa_context_new) context_new;
    decltype(&pa_context_connect) context_connect;
    decltype(&pa_context_get_state) context_get_state;
    decltype(&pa_context_disconnect) context_disconnect;
    decltype(&pa_context_unref) context_unref;
    decltype(&pa_context_get_sink_input_info_list) get_sink_input_info_list;
    decltype(&pa_operation_get_state) operation_get_state;
    decltype(&pa_operation_unref) operation_unref;
    decltype(&pa_proplist_gets) proplist_gets;
};

template <typename F>
bool look_up(void* library, const char* name, F* function)
{
    *function = reinterpret_cast<F>(dlsym(library, name));
    return *function != nullptr;
}

bool load_pulse(Pulse* pa)
{
    pa->library = dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!pa->library) return false;
    void* l = pa->library;
    const bool ok =
        look_up(l, "pa_mainloop_new", &pa->mainloop_new) &&
        look_up(l, "pa_mainloop_get_api", &pa->mainloop_get_api) &&
        look_up(l, "pa_mainloop_prepare", &pa->mainloop_prepare) &&
        look_up(l, "pa_mainloop_poll", &pa->mainloop_poll) &&
        look_up(l, "pa_mainloop_dispatch", &pa->mainloop_dispatch) &&
        look_up(l, "pa_mainloop_free", &pa->mainloop_free) &&
        look_up(l, "pa_context_new", &pa->context_new) &&
        look_up(l, "pa_context_connect", &pa->context_connect) &&
        look_up(l, "pa_context_get_state", &pa->context_get_state) &&
        look_up(l, "pa_context_disconnect", &pa->context_disconnect) &&
        look_up(l, "pa_context_unref", &pa->context_unref) &&
        look_up(l, "pa_context_get_sink_input_info_list", &pa->get_sink_input_info_list) &&
        look_up(l, "pa_operation_get_state", &pa->operation_get_state) &&
        look_up(l, "pa_operation_unref", &pa->operation_unref) &&
        look_up(l, "pa_proplist_gets", &pa->proplist_gets);
    if (!ok) {
        dlclose(pa->library);
        pa->library = nullptr;
    }
    return ok;
}

// A single reading catches the server's queue anywhere between two refills
// and the sink's blocks: a spread of ten ms and more. The latency is the
// mean of the middle half of the latest twenty seconds of readings, taken
// about twenty times a second at random intervals (25 to 75 ms) so that they
// fall evenly over the refill cycle (at fixed intervals they would beat with
// it and the mean would wander) and so that the first estimate, a second
// into the stream, is already within a millisecond or so: the transport
// takes a first report at once and follows later ones only slowly. The
// first second of a stream is left out, when the sink may still run at its
// idle latency of hundreds of ms.
constexpr int k_samples = 400;
constexpr int k_first_samples = 20;
constexpr int k_skipped_samples = 20;
constexpr int k_query_min_ms = 25;
constexpr int k_query_spread_ms = 50;
constexpr auto k_reconnect_interval = std::chrono::seconds(1);

struct Watch {
    Pulse pa;
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<int64_t> latency_us{-1};  // -1 while unknown

    // The thread's own.
    pa_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_operation* query = nullptr;
    int64_t found_us = -1;  // the current query's answer for this process
    uint32_t found_stream = PA_INVALID_INDEX;
    uint32_t stream = PA_INVALID_INDEX;  // the stream the readings are of
    int skipped = 0;
    double samples[k_samples] = {};  // us
    int sample_count = 0;
    int sample_next = 0;
};

Watch* watch = nullptr;

void on_sink_input(pa_context*, const pa_sink_input_info* info, int, void* user)
{
    Watch* w = static_cast<Watch*>(user);
    if (!info || w->found_us >= 0) return;
    const char* pid = w->pa.proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID);
    // PipeWire's PulseAudio server (0.3) answers 0 for both: it does not
    // know, and the latency stays unknown there.
    const bool reported = info->buffer_usec > 0 || info->sink_usec > 0;
    if (pid && std::atoi(pid) == getpid() && reported) {
        w->found_us = static_cast<int64_t>(info->buffer_usec + info->sink_usec);
        w->found_stream = info->index;
    }
}

void forget_samples(Watch* w)
{
    w->sample_count = 0;
    w->stream = PA_INVALID_INDEX;
    w->sample_next = 0;
    w->latency_us = -1;
}

void add_sample(Watch* w, int64_t us, uint32_t stream)
{
    if (stream != w->stream) {
        // A new stream (the device opened again): its own readings replace
        // the old stream's once its first second is over.
        w->sample_count = 0;
        w->sample_next = 0;
        w->stream = stream;
        w->skipped = 0;
    }
    if (w->skipped < k_skipped_samples) {
        ++w->skipped;
        return;
    }
    w->samples[w->sample_next] = us;
    w->sample_next = (w->sample_next + 1) % k_samples;
    if (w->sample_count < k_samples) ++w->sample_count;
    if (w->sample_count < k_first_samples) return;
    w->latency_us = std::llround(mean_of_middle_half(w->samples, w->sample_count));
}

void drop_context(Watch* w)
{
    if (w->query) w->pa.operation_unref(w->query);
    w->query = nullptr;
    if (w->context) {
        w->pa.context_disconnect(w->context);
        w->pa.context_unref(w->context);
    }
    w->context = nullptr;
    forget_samples(w);
}

// Connects (again, a second after a failure: the server may restart), asks
// for the sink inputs about twenty times a second and keeps this process's answers.
void watch_server(Watch* w)
{
    using clock = std::chrono::steady_clock;
    const Pulse& pa = w->pa;
    w->loop = pa.mainloop_new();
    if (!w->loop) return;
    clock::time_point next_connect = clock::now(), next_query = clock::now();
    while (!w->stop) {
        const clock::time_point now = clock::now();
        if (!w->context && now >= next_connect) {
            next_connect = now + k_reconnect_interval;
            w->context = pa.context_new(pa.mainloop_get_api(w->loop), "krelan latency watch");
            if (w->context &&
                pa.context_connect(w->context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
                drop_context(w);
        }
        if (w->context) {
            const pa_context_state_t state = pa.context_get_state(w->context);
            if (!PA_CONTEXT_IS_GOOD(state)) {
                drop_context(w);
            } else if (state == PA_CONTEXT_READY && !w->query && now >= next_query) {
                next_query = now + std::chrono::milliseconds(k_query_min_ms +
                                                             int(random() % k_query_spread_ms));
                w->found_us = -1;
                w->query = pa.get_sink_input_info_list(w->context, on_sink_input, w);
            }
        }
        if (w->query && pa.operation_get_state(w->query) != PA_OPERATION_RUNNING) {
            pa.operation_unref(w->query);
            w->query = nullptr;
            if (w->found_us >= 0) add_sample(w, w->found_us, w->found_stream);
        }
        if (pa.mainloop_prepare(w->loop, 5000) < 0 || pa.mainloop_poll(w->loop) < 0 ||
            pa.mainloop_dispatch(w->loop) < 0)
            break;
    }
    drop_context(w);
    pa.mainloop_free(w->loop);
}

}  // namespace

void start_server_latency_watch()
{
    const char* driver = SDL_GetCurrentAudioDriver();
    if (watch || !driver || std::strcmp(driver, "pulseaudio") != 0) return;
    Watch* w = new Watch;
    if (!load_pulse(&w->pa)) {
        delete w;
        return;
    }
    w->thread = std::thread(watch_server, w);
    watch = w;
}

bool server_latency_ms(double* ms)
{
    if (!watch) return false;
    const int64_t us = watch->latency_us;
    if (us < 0) return false;
    *ms = us / 1000.0;
    return true;
}

void stop_server_latency_watch()
{
    if (!watch) return;
    watch->stop = true;
    watch->thread.join();
    dlclose(watch->pa.library);
    delete watch;
    watch = nullptr;
}

#else  // no libpulse headers where the show was built: the latency stays unknown

void start_server_latency_watch() {}
bool server_latency_ms(double*) { return false; }
void stop_server_latency_watch() {}

#endif
