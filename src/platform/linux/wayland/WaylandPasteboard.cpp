#include "platform/linux/wayland/WaylandPasteboard.h"

#include <QSocketNotifier>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>

#include "platform/Log.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace orvendi {
namespace {

using Clock = std::chrono::steady_clock;

// Version 2 brought the primary selection.
constexpr uint32_t kManagerVersion = 2;
// The compositor answers at once; one that hangs must not hang the agent.
constexpr auto kCompositorBound = std::chrono::milliseconds(500);
// Another owner writes its text when asked; one that never finishes must
// not hang the agent.
constexpr auto kOwnerBound = std::chrono::milliseconds(2000);
// The text types to ask another owner for, best first.
constexpr std::array<const char*, 5> kTextTypes{"text/plain;charset=utf-8", "UTF8_STRING",
                                                "text/plain", "STRING", "TEXT"};

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
    auto* globals = static_cast<WaylandPasteboard::Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && globals->seat == nullptr) {
        globals->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0) {
        globals->manager = static_cast<zwlr_data_control_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface,
                             std::min(version, kManagerVersion)));
    }
}
void onGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener{onGlobal, onGlobalRemove};

void onSyncDone(void* data, wl_callback*, uint32_t) {
    *static_cast<bool*>(data) = true;
}
const wl_callback_listener kSyncListener{onSyncDone};

int millisecondsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return int(std::max<int64_t>(0, left.count()));
}

std::optional<std::string> bestTextType(const std::vector<std::string>& offered) {
    for (const char* type : kTextTypes) {
        if (std::find(offered.begin(), offered.end(), type) != offered.end()) {
            return type;
        }
    }
    return std::nullopt;
}

// Everything until the writer closes the pipe; none when that takes too long.
std::optional<std::string> readToEnd(int fd, Clock::time_point deadline) {
    std::string text;
    std::array<char, 4096> chunk;
    while (true) {
        const ssize_t count = read(fd, chunk.data(), chunk.size());
        if (count > 0) {
            text.append(chunk.data(), size_t(count));
            continue;
        }
        if (count == 0) {
            return text;
        }
        const int error = errno;
        pollfd readable{fd, POLLIN, 0};
        if (error != EINTR &&
            (error != EAGAIN || poll(&readable, 1, millisecondsUntil(deadline)) <= 0)) {
            return std::nullopt;
        }
    }
}

} // namespace

WaylandPasteboard::WaylandPasteboard(wl_display* display, Log& log)
    : display_(display), log_(log) {}

WaylandPasteboard::~WaylandPasteboard() {
    notifier_.reset();
    writers_.clear();
    clipboard_.reset();
    primary_.reset();
    device_.reset();
    if (globals_.manager != nullptr) {
        zwlr_data_control_manager_v1_destroy(globals_.manager);
    }
    if (globals_.seat != nullptr) {
        wl_seat_destroy(globals_.seat);
    }
    if (registry_ != nullptr) {
        wl_registry_destroy(registry_);
    }
    wl_display_disconnect(display_);
}

std::unique_ptr<WaylandPasteboard> WaylandPasteboard::connect(Log& log) {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        log.write("Orvendi: cannot connect to the Wayland display for the clipboard");
        return nullptr;
    }
    std::unique_ptr<WaylandPasteboard> pasteboard(new WaylandPasteboard(display, log));
    if (!pasteboard->setUp()) {
        log.write("Orvendi: the compositor offers no data-control clipboard");
        return nullptr;
    }
    return pasteboard;
}

bool WaylandPasteboard::setUp() {
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &kRegistryListener, &globals_);
    if (!roundTrip() || globals_.seat == nullptr || globals_.manager == nullptr) {
        return false;
    }
    device_ = std::make_unique<DataControlDevice>(globals_.manager, globals_.seat);
    // Other clients ask for the text whenever they paste.
    notifier_ =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(display_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        if (!dispatch(0)) {
            connected();
        }
    });
    return roundTrip();
}

// Reads the events the compositor sent, waiting up to `timeoutMs` for the
// first, and runs them. False once the connection is broken.
bool WaylandPasteboard::dispatch(int timeoutMs) const {
    while (wl_display_prepare_read(display_) != 0) {
        wl_display_dispatch_pending(display_);
    }
    wl_display_flush(display_);
    pollfd readable{wl_display_get_fd(display_), POLLIN, 0};
    if (poll(&readable, 1, timeoutMs) > 0) {
        if (wl_display_read_events(display_) < 0) {
            return false;
        }
    } else {
        wl_display_cancel_read(display_);
    }
    return wl_display_dispatch_pending(display_) >= 0;
}

// Until the compositor has handled every request sent so far and its events
// ran here. False when it does not answer in time or the connection broke.
bool WaylandPasteboard::roundTrip() const {
    bool done = false;
    wl_callback* callback = wl_display_sync(display_);
    wl_callback_add_listener(callback, &kSyncListener, &done);
    const auto deadline = Clock::now() + kCompositorBound;
    while (!done && Clock::now() < deadline && dispatch(millisecondsUntil(deadline))) {
    }
    wl_callback_destroy(callback);
    return done;
}

// Says once in the log when the compositor ended the connection; the
// clipboard then stays as it was.
bool WaylandPasteboard::connected() const {
    if (wl_display_get_error(display_) == 0 && device_->usable()) {
        return true;
    }
    if (notifier_->isEnabled()) {
        notifier_->setEnabled(false);
        log_.write("Orvendi: the compositor closed the data-control clipboard");
    }
    return false;
}

void WaylandPasteboard::own(Selection selection, const std::string& text) {
    if (!connected()) {
        return;
    }
    auto source = std::make_unique<DataControlSource>(
        globals_.manager, text, [this](int fd, const std::string& served) { serve(fd, served); });
    device_->set(selection, source->handle());
    // The source it replaces goes only now, so the selection is never empty between.
    (selection == Selection::Clipboard ? clipboard_ : primary_) = std::move(source);
    roundTrip();
}

void WaylandPasteboard::serve(int fd, const std::string& text) {
    std::erase_if(writers_, [](const auto& writer) { return writer->finished(); });
    writers_.push_back(std::make_unique<PipeWriter>(fd, text));
}

void WaylandPasteboard::clearContents() {
    if (connected()) {
        device_->set(Selection::Clipboard, nullptr);
        clipboard_.reset();
        wl_display_flush(display_);
    }
}

void WaylandPasteboard::setString(const std::string& text) {
    own(Selection::Clipboard, text);
}

void WaylandPasteboard::setPrimarySelection(const std::string& text) {
    own(Selection::Primary, text);
}

std::optional<std::string> WaylandPasteboard::string() const {
    // Any change of owner the compositor made so far is known after this.
    if (!connected() || !roundTrip()) {
        return std::nullopt;
    }
    if (clipboard_ && !clipboard_->cancelled()) {
        return clipboard_->text();
    }
    const auto* offer = device_->offer(Selection::Clipboard);
    return offer ? receive(*offer) : std::nullopt;
}

// Another client's text, in the best text type it offers; none when it
// offers no text or does not write it within kOwnerBound.
std::optional<std::string> WaylandPasteboard::receive(const DataControlDevice::Offer& offer) const {
    const auto type = bestTextType(offer.types);
    int ends[2];
    if (!type || pipe2(ends, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    // Only this end: the writer gets the pipe as it expects one.
    fcntl(ends[0], F_SETFL, O_NONBLOCK);
    zwlr_data_control_offer_v1_receive(offer.handle, type->c_str(), ends[1]);
    wl_display_flush(display_);
    close(ends[1]);
    auto text = readToEnd(ends[0], Clock::now() + kOwnerBound);
    close(ends[0]);
    return text;
}

} // namespace orvendi
