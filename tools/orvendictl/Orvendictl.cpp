#include "Orvendictl.h"

#include <ostream>

#include "RecordCommand.h"
#include "RecordingsCommand.h"
#include "RetryCommand.h"
#include "SignInCommand.h"
#include "SignOutCommand.h"
#include "StatusCommand.h"
#include "SyncCommand.h"
#include "Terminal.h"
#include "ToolServices.h"
#include "TranscribeCommand.h"
#include "UsageError.h"

namespace orvendi {
namespace {

std::string version() {
    const std::string compiledIn = ORVENDI_VERSION;
    return compiledIn.empty() ? "dev" : compiledIn;
}

std::vector<CommandSyntax> syntaxesOf(const auto& entries) {
    std::vector<CommandSyntax> syntaxes;
    for (const auto& entry : entries) {
        syntaxes.push_back(entry.syntax);
    }
    return syntaxes;
}

} // namespace

template <typename CommandType> Orvendictl::Entry Orvendictl::entry() {
    return {CommandType::syntax(), [](ToolServices& services, Terminal& terminal) {
                return std::make_unique<CommandType>(services, terminal);
            }};
}

Orvendictl::Orvendictl(Terminal& terminal)
    : terminal_(terminal), entries_{entry<StatusCommand>(),  entry<SignInCommand>(),
                                    entry<SignOutCommand>(), entry<TranscribeCommand>(),
                                    entry<RecordCommand>(),  entry<RecordingsCommand>(),
                                    entry<RetryCommand>(),   entry<SyncCommand>()},
      commandLine_(syntaxesOf(entries_)) {}

Orvendictl::~Orvendictl() = default;

int Orvendictl::run(const std::vector<std::string>& arguments) {
    Invocation invocation;
    try {
        invocation = commandLine_.parse(arguments);
    } catch (const UsageError& error) {
        return usageError(error.what());
    }
    switch (invocation.kind) {
    case Invocation::Kind::Help:
        terminal_.out() << commandLine_.help() << std::flush;
        return exitCode(ExitStatus::Success);
    case Invocation::Kind::Version:
        terminal_.out() << "orvendictl " << version() << '\n' << std::flush;
        return exitCode(ExitStatus::Success);
    case Invocation::Kind::CommandHelp:
        terminal_.out() << commandLine_.help(invocation.command.name) << std::flush;
        return exitCode(ExitStatus::Success);
    case Invocation::Kind::Run:
        break;
    }
    return runCommand(invocation.command);
}

int Orvendictl::runCommand(const ParsedCommand& command) {
    for (const auto& entry : entries_) {
        if (entry.syntax.name != command.name) {
            continue;
        }
        try {
            ToolServices services;
            return exitCode(entry.make(services, terminal_)->run(command));
        } catch (const UsageError& error) {
            return usageError(error.what());
        } catch (const std::exception& error) {
            terminal_.message(error.what());
            return exitCode(ExitStatus::Failure);
        }
    }
    return usageError("unknown command " + command.name);
}

int Orvendictl::usageError(const std::string& problem) {
    terminal_.message("orvendictl: " + problem);
    terminal_.message("Run 'orvendictl --help' for usage.");
    return exitCode(ExitStatus::Usage);
}

} // namespace orvendi
