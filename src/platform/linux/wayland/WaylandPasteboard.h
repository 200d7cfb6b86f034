#pragma once

#include <QStringList>

#include "platform/Pasteboard.h"

namespace orvendi {

class Log;

// The clipboard and the primary selection of a wlroots Wayland session,
// through the data-control protocol (wl-copy and wl-paste from wl-clipboard).
// The agent's own windows run under XWayland, whose clipboard reaches native
// windows only while an X11 window has the focus; data-control needs no
// window at all. wl-copy keeps serving the text after the agent quits.
class WaylandPasteboard : public Pasteboard {
public:
    explicit WaylandPasteboard(Log& log);

    void clearContents() override;
    void setString(const std::string& text) override;
    std::optional<std::string> string() const override;
    void setPrimarySelection(const std::string& text) override;

private:
    void copy(const QStringList& options, const std::string& text);

    Log& log_;
};

} // namespace orvendi
