#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "vault/VaultState.h"

namespace orvendi {

class Backend;
class Files;
class Log;
class Scheduler;
class SerialQueue;
class Timer;

// Mirrors the user's notes from the backend into a folder of Markdown files
// (the vault): one file per live note, renamed when its title or date changes,
// deleted when the note is archived or gone. A JSON state file remembers which
// file belongs to which note; files the synchroniser did not create are left
// alone. Syncs run one at a time on the serial queue "vault-sync", and never at
// the same time as a sync of another process that shares the state file.
class VaultSync : public std::enable_shared_from_this<VaultSync> {
public:
    using State = VaultState;

    // What one sync did.
    struct Result {
        // Live notes mirrored, whether or not their file had to change (the
        // number in "VaultSync: wrote %d notes").
        int notes = 0;
        // Note files created or replaced; files already holding the right
        // content are left untouched.
        int filesWritten = 0;
    };

    // `vaultPath` is the configured vault folder (vault_dir); without one,
    // "~/Orvendi". Every "~" in it stands for the home folder, and the notes go
    // into its "Notes" sub-folder. Reads the state file (an unreadable one
    // counts as a vault never synced); creates no folder and starts nothing.
    // The synchroniser is shared: its queued work holds it weakly.
    static std::shared_ptr<VaultSync> create(std::shared_ptr<Backend> api,
                                             const std::optional<std::string>& vaultPath,
                                             Scheduler& scheduler, const Files& files, Log& log);
    ~VaultSync();
    VaultSync(const VaultSync&) = delete;
    VaultSync& operator=(const VaultSync&) = delete;

    // Syncs now, then every 300 seconds for the synchroniser's lifetime. Call
    // once, on the main thread.
    void start();
    // Queues one complete sync and returns at once. Each call adds one sync.
    void syncSoon();
    // Runs one sync on the calling thread (after any sync in progress) and
    // returns what it did; throws the error that stopped it. Logs nothing.
    Result syncNow();

    const std::filesystem::path& vaultDir() const { return vaultDir_; }
    const std::filesystem::path& stateFile() const { return stateFile_; }

private:
    VaultSync(std::shared_ptr<Backend> api, const std::optional<std::string>& vaultPath,
              Scheduler& scheduler, const Files& files, Log& log);

    struct Run;

    // A queued sync: runs it and logs the outcome.
    void sync();
    Result runSync();
    void createVaultFolder() const;
    // Writes one note's file when the note is live, renaming it when its name changed.
    void mirror(const nlohmann::json& note, Run& run);
    void adoptStateSavedElsewhere();
    std::map<std::string, std::string> discoverManagedFiles() const;
    // Returns whether the file had to be written.
    bool write(const nlohmann::json& note, const std::string& id, const std::string& createdAt,
               const std::string& name, double now);
    void removeNoteFile(const std::string& name, const Run& run);
    void saveState();
    std::filesystem::path lockFile() const;

    // Shared: a sync still running on its queue keeps the client alive after
    // its other owners have let it go.
    std::shared_ptr<Backend> api_;
    std::filesystem::path vaultDir_;
    std::filesystem::path stateFile_;
    std::shared_ptr<Timer> timer_;
    std::shared_ptr<SerialQueue> queue_;
    Scheduler& scheduler_;
    Log& log_;

    // One sync at a time in this process, whichever thread runs it; guards the
    // state and the state file's text.
    std::mutex syncMutex_;
    State state_;
    // The state file's content as last read or written by this synchroniser,
    // to notice a save by another process.
    std::string stateText_;
};

} // namespace orvendi
