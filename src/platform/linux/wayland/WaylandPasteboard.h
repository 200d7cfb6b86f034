#pragma once

#include <memory>
#include <vector>

#include "platform/Pasteboard.h"
#include "platform/linux/wayland/DataControlDevice.h"
#include "platform/linux/wayland/DataControlSource.h"
#include "platform/linux/wayland/PipeWriter.h"

class QSocketNotifier;
struct wl_display;
struct wl_registry;

namespace orvendi {

class Log;

// The clipboard and the primary selection of a wlroots Wayland session, held
// by the agent itself through the data-control protocol. The agent's own
// windows run under XWayland, whose clipboard reaches native windows only
// while an X11 window has the focus; data-control needs no window at all.
// The display's socket is watched from the event loop, which hands the text
// to every client that pastes it for as long as the agent runs; the text
// leaves the clipboard when the agent quits. Main thread only.
class WaylandPasteboard : public Pasteboard {
public:
    // None when the session has no Wayland display or the compositor offers
    // no data-control; the reason goes to the log.
    static std::unique_ptr<WaylandPasteboard> connect(Log& log);
    ~WaylandPasteboard() override;
    WaylandPasteboard(const WaylandPasteboard&) = delete;
    WaylandPasteboard& operator=(const WaylandPasteboard&) = delete;

    void clearContents() override;
    void setString(const std::string& text) override;
    std::optional<std::string> string() const override;
    void setPrimarySelection(const std::string& text) override;

    struct Globals {
        wl_seat* seat = nullptr;
        zwlr_data_control_manager_v1* manager = nullptr;
    };

private:
    using Selection = DataControlDevice::Selection;

    WaylandPasteboard(wl_display* display, Log& log);
    bool setUp();
    void own(Selection selection, const std::string& text);
    void serve(int fd, const std::string& text);
    bool dispatch(int timeoutMs) const;
    bool roundTrip() const;
    bool connected() const;
    std::optional<std::string> receive(const DataControlDevice::Offer& offer) const;

    wl_display* display_;
    Log& log_;
    wl_registry* registry_ = nullptr;
    Globals globals_;
    std::unique_ptr<DataControlDevice> device_;
    std::unique_ptr<DataControlSource> clipboard_;
    std::unique_ptr<DataControlSource> primary_;
    std::unique_ptr<QSocketNotifier> notifier_;
    // Texts on their way to clients that paste; they outlive the source.
    std::vector<std::unique_ptr<PipeWriter>> writers_;
};

} // namespace orvendi
