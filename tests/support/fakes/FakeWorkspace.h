#pragma once

#include <set>
#include <vector>

#include "platform/Workspace.h"

namespace orvendi::test {

// The frontmost application and the running processes are whatever the test sets.
class FakeWorkspace : public Workspace {
public:
    bool openURL(const std::string& url) override {
        openedURLs.push_back(url);
        return openSucceeds;
    }
    std::optional<int32_t> frontmostProcessId() override { return frontmost; }
    bool activateProcess(int32_t processId) override {
        if (!running.count(processId)) {
            return false;
        }
        activated.push_back(processId);
        if (activationTakesEffect) {
            frontmost = processId;
        }
        return true;
    }

    std::optional<int32_t> frontmost;
    std::set<int32_t> running;
    std::vector<std::string> openedURLs;
    std::vector<int32_t> activated;
    bool openSucceeds = true;
    // False: the window manager takes its time; the test moves `frontmost`.
    bool activationTakesEffect = true;
};

} // namespace orvendi::test
