#include "platform/linux/pulse/PulseContext.h"

#include <optional>

#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/operation.h>
#include <pulse/timeval.h>

#include "base/Error.h"

namespace orvendi {
namespace {

constexpr const char* kClientName = "Orvendi";

void signalLoop(pa_threaded_mainloop* loop) {
    pa_threaded_mainloop_signal(loop, 0);
}

// Waits for an introspection request, cancelling it when it does not finish in
// time so that its callback never runs with the caller's data gone.
bool finish(PulseContext& pulse, pa_operation* operation, const std::function<bool()>& done) {
    if (operation == nullptr) {
        return false;
    }
    const bool finished = pulse.wait(
        [&] { return done() || pa_operation_get_state(operation) != PA_OPERATION_RUNNING; });
    if (pa_operation_get_state(operation) == PA_OPERATION_RUNNING) {
        pa_operation_cancel(operation);
    }
    pa_operation_unref(operation);
    return finished && done();
}

std::string unavailable(const std::string& reason) {
    return "The microphone is unavailable: " + reason + ".";
}

} // namespace

PulseContext::Lock::Lock(PulseContext& pulse) : loop_(pulse.loop_) {
    pa_threaded_mainloop_lock(loop_);
}

PulseContext::Lock::~Lock() {
    pa_threaded_mainloop_unlock(loop_);
}

PulseContext::PulseContext(std::chrono::milliseconds timeout) : timeout_(timeout) {
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr) {
        throw PlatformError(unavailable("the sound system could not be set up"));
    }
    if (pa_threaded_mainloop_start(loop_) < 0) {
        pa_threaded_mainloop_free(loop_);
        throw PlatformError(unavailable("the sound system could not be set up"));
    }
}

PulseContext::~PulseContext() {
    {
        Lock lock(*this);
        disconnect();
    }
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

void PulseContext::disconnect() {
    if (context_ != nullptr) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
}

pa_context* PulseContext::connectedContext() {
    if (context_ != nullptr && pa_context_get_state(context_) == PA_CONTEXT_READY) {
        return context_;
    }
    disconnect();
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), kClientName);
    if (context_ == nullptr) {
        throw PlatformError(unavailable("the sound system could not be set up"));
    }
    pa_context_set_state_callback(
        context_,
        [](pa_context*, void* loop) { signalLoop(static_cast<pa_threaded_mainloop*>(loop)); },
        loop_);
    // No server address: libpulse follows PULSE_SERVER, the X11 root property and
    // the per-user socket, like every other client of the session.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        const std::string reason = lastErrorText();
        disconnect();
        throw PlatformError(unavailable("no sound server answered (" + reason + ")"));
    }
    const bool settled = wait([this] {
        const auto state = pa_context_get_state(context_);
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    if (pa_context_get_state(context_) != PA_CONTEXT_READY) {
        const std::string reason = settled ? lastErrorText() : "timed out";
        disconnect();
        throw PlatformError(unavailable("no sound server answered (" + reason + ")"));
    }
    return context_;
}

PulseContext::Source PulseContext::defaultSource() {
    pa_context* context = connectedContext();

    struct Query {
        PulseContext* pulse;
        std::optional<std::string> defaultName;
        std::optional<Source> source;
        bool ended = false;
    } query{this, {}, {}, false};

    auto* serverInfo = pa_context_get_server_info(
        context,
        [](pa_context*, const pa_server_info* info, void* data) {
            auto& answer = *static_cast<Query*>(data);
            answer.defaultName = info != nullptr && info->default_source_name != nullptr
                                     ? info->default_source_name
                                     : "";
            answer.pulse->signal();
        },
        &query);
    if (!finish(*this, serverInfo, [&] { return query.defaultName.has_value(); })) {
        throw PlatformError(
            unavailable("the sound server did not answer (" + lastErrorText() + ")"));
    }
    if (query.defaultName->empty()) {
        throw PlatformError(unavailable("the sound server has no default input"));
    }

    auto* sourceInfo = pa_context_get_source_info_by_name(
        context, query.defaultName->c_str(),
        [](pa_context*, const pa_source_info* info, int endOfList, void* data) {
            auto& answer = *static_cast<Query*>(data);
            if (endOfList == 0 && info != nullptr) {
                answer.source = Source{info->name, info->sample_spec, info->channel_map};
                return;
            }
            answer.ended = true;
            answer.pulse->signal();
        },
        &query);
    if (!finish(*this, sourceInfo, [&] { return query.ended; }) || !query.source) {
        throw PlatformError(
            unavailable("the default input \"" + *query.defaultName + "\" could not be read"));
    }
    return *query.source;
}

bool PulseContext::wait(const std::function<bool()>& done) {
    bool timedOut = false;
    timeval deadline{};
    pa_timeval_add(pa_gettimeofday(&deadline),
                   static_cast<pa_usec_t>(
                       std::chrono::duration_cast<std::chrono::microseconds>(timeout_).count()));
    struct Timeout {
        PulseContext* pulse;
        bool* timedOut;
    } timeout{this, &timedOut};
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    pa_time_event* timer = api->time_new(
        api, &deadline,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
            auto& expired = *static_cast<Timeout*>(data);
            *expired.timedOut = true;
            expired.pulse->signal();
        },
        &timeout);
    while (!done() && !timedOut) {
        pa_threaded_mainloop_wait(loop_);
    }
    api->time_free(timer);
    return done();
}

void PulseContext::signal() {
    signalLoop(loop_);
}

std::string PulseContext::lastErrorText() const {
    if (context_ == nullptr) {
        return "no connection";
    }
    return pa_strerror(pa_context_errno(context_));
}

} // namespace orvendi
