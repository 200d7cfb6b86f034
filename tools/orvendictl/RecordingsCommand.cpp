#include "RecordingsCommand.h"

#include <ostream>

#include <nlohmann/json.hpp>

#include "SavedRecordings.h"
#include "Terminal.h"
#include "ToolServices.h"
#include "base/IsoTime.h"

namespace orvendi {
namespace {

using json = nlohmann::ordered_json;

std::string jsonLine(const SavedRecordings::Entry& entry) {
    const json object = {{"path", entry.path.string()},
                         {"format", entry.format},
                         {"modified", IsoTime::formatSeconds(entry.modified)},
                         {"size", entry.size}};
    return object.dump(-1, ' ', false, json::error_handler_t::replace);
}

// Tab-separated, so that the folder's blank does not split the path.
std::string plainLine(const SavedRecordings::Entry& entry) {
    return entry.path.string() + '\t' + entry.format + '\t' +
           IsoTime::formatSeconds(entry.modified) + '\t' + std::to_string(entry.size);
}

} // namespace

CommandSyntax RecordingsCommand::syntax() {
    return {"recordings",
            {"--json"},
            {},
            0,
            0,
            "recordings [--json]",
            "Lists the recordings waiting for a transcript, newest first: path, \"wav\" or\n"
            "\"caf\", modification time and size in bytes, separated by tabs; --json prints\n"
            "one object per recording and line: {\"path\",\"format\",\"modified\",\"size\"}."};
}

ExitStatus RecordingsCommand::run(const ParsedCommand& command) {
    const auto entries = SavedRecordings(services_.recoveryStore()).list();
    const bool json = command.has("--json");
    for (const auto& entry : entries) {
        terminal_.out() << (json ? jsonLine(entry) : plainLine(entry)) << '\n';
    }
    terminal_.out() << std::flush;
    if (entries.empty() && !json) {
        terminal_.message("No saved recordings.");
    }
    return ExitStatus::Success;
}

} // namespace orvendi
