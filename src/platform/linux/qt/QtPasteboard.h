#pragma once

#include "platform/Pasteboard.h"

namespace orvendi {

// The clipboard of the X session. The agent owns the selection it sets and
// serves it from its event loop for as long as it runs, so a paste into
// another application works even after that application asked late.
// Main thread only, like every Qt clipboard call.
class QtPasteboard : public Pasteboard {
public:
    void clearContents() override;
    void setString(const std::string& text) override;
    std::optional<std::string> string() const override;
    void setPrimarySelection(const std::string& text) override;
};

} // namespace orvendi
