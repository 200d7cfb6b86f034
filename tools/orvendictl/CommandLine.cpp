#include "CommandLine.h"

#include <algorithm>

#include "UsageError.h"

namespace orvendi {
namespace {

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

bool isHelpOption(const std::string& argument) {
    return argument == "--help" || argument == "-h";
}

bool looksLikeOption(const std::string& argument) {
    return argument.size() > 1 && argument.front() == '-';
}

std::string operandCountProblem(const CommandSyntax& syntax, size_t given) {
    if (given < syntax.minOperands) {
        return syntax.name + " needs " +
               (syntax.minOperands == 1 ? "an operand" : "more operands") + ": " + syntax.synopsis;
    }
    if (syntax.maxOperands == 0) {
        return syntax.name + " takes no operands: " + syntax.synopsis;
    }
    return syntax.name + " takes at most " + std::to_string(syntax.maxOperands) +
           (syntax.maxOperands == 1 ? " operand" : " operands") + ": " + syntax.synopsis;
}

// Every line of `text` with `indent` before it, each ending in a line feed.
std::string indented(const std::string& text, const std::string& indent) {
    std::string result;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        result += indent + text.substr(start, end - start) + "\n";
        start = end + 1;
    }
    return result;
}

} // namespace

std::optional<std::string> ParsedCommand::value(const std::string& option) const {
    const auto it = values.find(option);
    return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
}

CommandLine::CommandLine(std::vector<CommandSyntax> commands) : commands_(std::move(commands)) {}

const CommandSyntax* CommandLine::find(const std::string& name) const {
    for (const auto& syntax : commands_) {
        if (syntax.name == name) {
            return &syntax;
        }
    }
    return nullptr;
}

Invocation CommandLine::parse(const std::vector<std::string>& arguments) const {
    Invocation invocation;
    auto next = arguments.begin();
    for (; next != arguments.end() && looksLikeOption(*next); ++next) {
        if (isHelpOption(*next)) {
            invocation.kind = Invocation::Kind::Help;
            return invocation;
        }
        if (*next == "--version") {
            invocation.kind = Invocation::Kind::Version;
            return invocation;
        }
        throw UsageError("unknown option " + *next);
    }
    if (next == arguments.end()) {
        throw UsageError("no command given");
    }
    const CommandSyntax* syntax = find(*next);
    if (syntax == nullptr) {
        throw UsageError("unknown command " + *next);
    }
    bool wantsHelp = false;
    invocation.command = parseCommand(*syntax, next + 1, arguments.end(), wantsHelp);
    invocation.kind = wantsHelp ? Invocation::Kind::CommandHelp : Invocation::Kind::Run;
    return invocation;
}

ParsedCommand CommandLine::parseCommand(const CommandSyntax& syntax,
                                        std::vector<std::string>::const_iterator next,
                                        std::vector<std::string>::const_iterator end,
                                        bool& wantsHelp) const {
    ParsedCommand command;
    command.name = syntax.name;
    bool optionsEnded = false;
    for (; next != end; ++next) {
        const std::string& argument = *next;
        if (optionsEnded || !looksLikeOption(argument)) {
            command.operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (isHelpOption(argument)) {
            wantsHelp = true;
            return command;
        }
        const auto equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        if (contains(syntax.flags, name)) {
            if (equals != std::string::npos) {
                throw UsageError(name + " takes no value");
            }
            command.flags.insert(name);
        } else if (contains(syntax.valueOptions, name)) {
            if (equals != std::string::npos) {
                command.values[name] = argument.substr(equals + 1);
            } else if (next + 1 != end) {
                command.values[name] = *++next;
            } else {
                throw UsageError(name + " needs a value");
            }
        } else {
            throw UsageError("unknown option " + name + " for " + syntax.name);
        }
    }
    const size_t given = command.operands.size();
    if (given < syntax.minOperands || given > syntax.maxOperands) {
        throw UsageError(operandCountProblem(syntax, given));
    }
    return command;
}

std::string CommandLine::help() const {
    std::string text = "Usage: orvendictl [--help] [--version] COMMAND [OPTIONS]\n\n"
                       "Dictation from the terminal, with the account, saved recordings and notes\n"
                       "vault of the Orvendi agent.\n\nCommands:\n";
    for (const auto& syntax : commands_) {
        text += "  " + syntax.synopsis + "\n" + indented(syntax.summary, "      ");
    }
    text += "\nTranscripts go to standard output, everything else to standard error.\n"
            "Exit status: 0 success, 1 failure, 2 usage error, 3 no voice signal (nothing sent).\n"
            "Run 'orvendictl COMMAND --help' for one command.\n";
    return text;
}

std::string CommandLine::help(const std::string& command) const {
    const CommandSyntax* syntax = find(command);
    if (syntax == nullptr) {
        return help();
    }
    return "Usage: orvendictl " + syntax->synopsis + "\n\n" + syntax->summary + "\n";
}

} // namespace orvendi
