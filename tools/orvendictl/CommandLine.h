#pragma once

#include <cstddef>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orvendi {

// What one command accepts after its name.
struct CommandSyntax {
    static constexpr size_t kAnyNumber = std::numeric_limits<size_t>::max();

    std::string name;
    // Options without a value ("--json").
    std::vector<std::string> flags;
    // Options with one value, as "--email ADDRESS" or "--email=ADDRESS".
    std::vector<std::string> valueOptions;
    size_t minOperands = 0;
    size_t maxOperands = 0;
    // The synopsis after the program name, and one line on what it does.
    std::string synopsis;
    std::string summary;
};

// One command as given on the command line.
struct ParsedCommand {
    std::string name;
    std::set<std::string> flags;
    std::map<std::string, std::string> values;
    std::vector<std::string> operands;

    bool has(const std::string& flag) const { return flags.count(flag) != 0; }
    std::optional<std::string> value(const std::string& option) const;
};

// What the whole command line asks for.
struct Invocation {
    enum class Kind { Help, Version, CommandHelp, Run };
    Kind kind = Kind::Help;
    // The command to run, or whose help to show.
    ParsedCommand command;
};

// Reads "[--help] [--version] COMMAND [OPTIONS] [OPERANDS]". "--" ends the
// options, so that file names starting with a dash can be given.
class CommandLine {
public:
    explicit CommandLine(std::vector<CommandSyntax> commands);

    // Throws UsageError with a one-line description of what is wrong.
    Invocation parse(const std::vector<std::string>& arguments) const;

    std::string help() const;
    std::string help(const std::string& command) const;

private:
    const CommandSyntax* find(const std::string& name) const;
    ParsedCommand parseCommand(const CommandSyntax& syntax,
                               std::vector<std::string>::const_iterator next,
                               std::vector<std::string>::const_iterator end, bool& wantsHelp) const;

    std::vector<CommandSyntax> commands_;
};

} // namespace orvendi
