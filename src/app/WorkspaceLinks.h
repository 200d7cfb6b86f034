#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/URL.h"

namespace orvendi {

class Application;
class Backend;
class Files;
class Keychain;
class Scheduler;
class Windows;
class Workspace;
class WorkspaceController;

// Where links lead inside the agent: "orvendi://permissions/<page>" opens a
// system settings page, and the web workspace opens on a page of its own,
// in one window created on first use. Main thread only.
class WorkspaceLinks {
public:
    WorkspaceLinks(std::shared_ptr<Backend> backend, Application& application, Windows& windows,
                   Workspace& workspace, Keychain& keychain, const Files& files,
                   const Scheduler& scheduler);
    ~WorkspaceLinks();
    WorkspaceLinks(const WorkspaceLinks&) = delete;
    WorkspaceLinks& operator=(const WorkspaceLinks&) = delete;

    // Only the first link counts; links of other schemes or hosts do nothing.
    void openURLs(const std::vector<std::string>& urls);
    // The workspace window on `path`, with the session as it is now, in front.
    void showWorkspace(const std::string& path);

    // Where the workspace pages of the configured `api_url` come from: absent
    // when it is no URL or names no host, and nothing is opened then.
    static std::optional<URL> workspaceBase(const std::string& apiURL);
    // The address of one workspace page; empty when there is none.
    static std::string pageAddress(const std::string& apiURL, const std::string& path);

private:
    std::shared_ptr<Backend> backend_;
    Application& application_;
    Windows& windows_;
    Workspace& workspace_;
    Keychain& keychain_;
    const Files& files_;
    const Scheduler& scheduler_;
    std::unique_ptr<WorkspaceController> workspaceController_;
};

} // namespace orvendi
