#include "AgentCommandLine.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace orvendi {
namespace {

// The options every Qt application understands (QGuiApplication, QApplication
// and the X11 platform), which a session manager or a user may pass. Those in
// the first list take a value as the next argument.
constexpr std::array<std::string_view, 14> kQtOptionsWithValue{
    "platform",        "platformpluginpath",
    "platformtheme",   "plugin",
    "qwindowgeometry", "qwindowicon",
    "qwindowtitle",    "session",
    "display",         "name",
    "title",           "style",
    "stylesheet",      "geometry"};
constexpr std::array<std::string_view, 2> kQtFlags{"reverse", "widgetcount"};

// Qt accepts its options with one dash or two.
std::string_view withoutDashes(std::string_view option) {
    option.remove_prefix(option.starts_with("--") ? 2 : 1);
    return option;
}

template <size_t N>
bool contains(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool isOption(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

} // namespace

AgentCommandLine AgentCommandLine::parse(const std::vector<std::string>& arguments) {
    for (size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (argument == "--") {
            break; // only links follow
        }
        if (!isOption(argument)) {
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            return {Action::ShowHelp, {}};
        }
        if (argument == "--version") {
            return {Action::ShowVersion, {}};
        }
        const std::string_view name = withoutDashes(argument);
        if (contains(kQtOptionsWithValue, name.substr(0, name.find('=')))) {
            if (name.find('=') == std::string_view::npos && ++index == arguments.size()) {
                return {Action::UsageError, "option " + argument + " needs a value"};
            }
            continue;
        }
        if (!contains(kQtFlags, name)) {
            return {Action::UsageError, "unknown option " + argument};
        }
    }
    return {Action::Run, {}};
}

std::string AgentCommandLine::usage() {
    return "Usage: orvendi [--help | --version] [orvendi://LINK]\n"
           "\n"
           "The Orvendi dictation agent. It lives in the tray: hold the dictation key\n"
           "(Right Ctrl unless \"dictation_key\" in ~/.orvendi/config.json names another)\n"
           "and speak; the text goes where you were typing. Started while it runs, it\n"
           "hands its link to the running agent and exits.\n"
           "\n"
           "  -h, --help     print this help and exit\n"
           "      --version  print the version and exit\n"
           "\n"
           "The terminal tool 'orvendictl' signs in, records, transcribes and retries\n"
           "saved recordings from a shell.\n";
}

std::string AgentCommandLine::version() {
    return std::string("orvendi ") + ORVENDI_VERSION + "\n";
}

} // namespace orvendi
