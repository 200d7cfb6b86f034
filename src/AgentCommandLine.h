#pragma once

#include <string>
#include <vector>

namespace orvendi {

// What the agent's command line asks for, decided before anything starts: a
// request for help or the version must not launch the agent (or wake a keyring
// daemon) on the way. Everything that is not an option (an "orvendi:" link) is
// left to the application, as are the standard options of Qt.
struct AgentCommandLine {
    enum class Action { Run, ShowHelp, ShowVersion, UsageError };

    Action action = Action::Run;
    // For UsageError: what is wrong, as a sentence for standard error.
    std::string problem;

    // `arguments` without the program name.
    static AgentCommandLine parse(const std::vector<std::string>& arguments);
    static std::string usage();
    static std::string version();
};

} // namespace orvendi
