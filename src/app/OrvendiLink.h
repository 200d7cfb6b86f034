#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvendi {

// The parts of a link of the agent's own URL scheme, as written (no case
// folding): "orvendi://permissions/microphone".
struct OrvendiLink {
    std::string scheme;
    std::string host;
    std::string path; // percent-decoded

    static std::optional<OrvendiLink> parse(std::string_view text);
};

} // namespace orvendi
