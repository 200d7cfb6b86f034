#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvendi {

// Applications and links.
class Workspace {
public:
    virtual ~Workspace() = default;
    // Hands a URL to its default handler. The platform maps the system-settings
    // addresses the agent uses to what helps on this desktop. False when it
    // cannot be opened.
    virtual bool openURL(const std::string& url) = 0;
    // The process id of the frontmost application, if any.
    virtual std::optional<int32_t> frontmostProcessId() = 0;
    // Brings the application with that process id to the front, ignoring other
    // applications. False when no such application runs.
    virtual bool activateProcess(int32_t processId) = 0;
};

} // namespace orvendi
