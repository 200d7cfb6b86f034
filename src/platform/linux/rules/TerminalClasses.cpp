#include "platform/linux/rules/TerminalClasses.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace orvendi {
namespace {

std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

bool isTerminalClass(const std::string& name) {
    // Emulators whose class says neither "term" at the end nor "terminal".
    static const std::set<std::string> known{"urxvt",
                                             "rxvt",
                                             "konsole",
                                             "alacritty",
                                             "kitty",
                                             "st-256color",
                                             "foot",
                                             "footclient",
                                             "wezterm",
                                             "org.wezfurlong.wezterm",
                                             "sakura",
                                             "guake",
                                             "tilda",
                                             "yakuake",
                                             "terminology",
                                             "tilix",
                                             "kgx",
                                             "org.gnome.console",
                                             "ptyxis",
                                             "blackbox",
                                             "contour",
                                             "ghostty",
                                             "com.mitchellh.ghostty",
                                             "st",
                                             "terminator",
                                             "cool-retro-term"};
    const std::string lower = lowercase(name);
    return known.count(lower) || lower.find("terminal") != std::string::npos ||
           endsWith(lower, "term");
}

} // namespace orvendi
