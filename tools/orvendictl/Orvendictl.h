#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "CommandLine.h"

namespace orvendi {

class Terminal;
class ToolServices;

// The terminal tool: reads the command line, runs one command and turns the
// outcome into the exit status scripts rely on (0 success, 1 failure with the
// error's description on standard error, 2 usage error, 3 no voice signal).
class Orvendictl {
public:
    explicit Orvendictl(Terminal& terminal);
    ~Orvendictl();

    int run(const std::vector<std::string>& arguments);

private:
    using Factory = std::function<std::unique_ptr<Command>(ToolServices&, Terminal&)>;
    struct Entry {
        CommandSyntax syntax;
        Factory make;
    };
    template <typename CommandType> static Entry entry();

    int usageError(const std::string& problem);
    int runCommand(const ParsedCommand& command);

    Terminal& terminal_;
    std::vector<Entry> entries_;
    CommandLine commandLine_;
};

} // namespace orvendi
