#pragma once

#include <chrono>
#include <functional>
#include <string>

#include <pulse/channelmap.h>
#include <pulse/context.h>
#include <pulse/sample.h>
#include <pulse/thread-mainloop.h>

namespace orvendi {

// A connection to the PulseAudio server (or PipeWire's Pulse server) driven by
// its own threaded main loop. Every call into libpulse must hold the loop's
// lock; callbacks run on the loop thread with the lock already held.
//
// The connection is made on demand and made again after the server went away,
// so a sound server that starts after the agent is found on the next use.
class PulseContext {
public:
    // The default input as the server describes it.
    struct Source {
        std::string name;
        pa_sample_spec sampleSpec{};
        pa_channel_map channelMap{};
    };

    // Holds the loop's lock for its lifetime (the lock is recursive).
    class Lock {
    public:
        explicit Lock(PulseContext& pulse);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* loop_;
    };

    explicit PulseContext(std::chrono::milliseconds timeout);
    ~PulseContext();
    PulseContext(const PulseContext&) = delete;
    PulseContext& operator=(const PulseContext&) = delete;

    // Connects unless already connected. Throws PlatformError. Needs the lock.
    pa_context* connectedContext();
    // The default input and its native format. Throws PlatformError when the
    // server does not answer or has no default input. Needs the lock.
    Source defaultSource();

    // Waits, releasing the lock meanwhile, until `done` holds or the timeout
    // passes; returns done(). Callbacks that change what `done` reads must call
    // signal(). Needs the lock.
    bool wait(const std::function<bool()>& done);
    void signal();

    // The text of the connection's last error, for messages.
    std::string lastErrorText() const;

private:
    void disconnect();

    std::chrono::milliseconds timeout_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
};

} // namespace orvendi
