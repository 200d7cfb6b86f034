#pragma once

#include <memory>
#include <string>

#include "platform/Menu.h"

namespace orvendi {

// Colours the agent gives to symbols (the status item's, the HUD's icon).
enum class Tint { None, SystemRed, SystemTeal };

// The agent's item in the system status area (the tray).
class StatusItem {
public:
    virtual ~StatusItem() = default;
    // Shows the symbol named `symbol` (the agent's symbol names, e.g.
    // "waveform"); false when the platform has no image of that name, in which
    // case the item shows no image. A template image takes the panel's colour.
    virtual bool setSymbol(const std::string& symbol, const std::string& accessibilityText,
                           bool isTemplate) = 0;
    virtual void setTint(Tint tint) = 0;
    virtual void setMenu(std::shared_ptr<Menu> menu) = 0;
    virtual std::shared_ptr<Menu> menu() const = 0;
};

} // namespace orvendi
