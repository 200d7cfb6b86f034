#include "vault/VaultSync.h"

#include <fstream>
#include <system_error>

#include "base/Error.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Scheduler.h"
#include "service/Backend.h"
#include "vault/ManagedFiles.h"
#include "vault/NoteFiles.h"
#include "vault/NoteMarkdown.h"
#include "vault/SyncLock.h"
#include "vault/VaultFiles.h"

namespace orvendi {

namespace {

constexpr double kSyncIntervalSeconds = 300;
constexpr const char* kQueueLabel = "vault-sync";
constexpr const char* kDefaultVaultPath = "~/Orvendi";
constexpr const char* kNotesFolder = "Notes";
constexpr const char* kStateFile = ".orvendi/vault_state.json";
constexpr const char* kLockFile = "vault_state.lock";

std::filesystem::path notesFolder(const std::optional<std::string>& vaultPath, const Files& files) {
    const std::string home = files.homeDirectory().string();
    std::string expanded;
    for (const char c : vaultPath.value_or(kDefaultVaultPath)) {
        if (c == '~') {
            expanded += home;
        } else {
            expanded += c;
        }
    }
    // A relative path is taken from the working directory at launch, like any
    // path a user types.
    const std::filesystem::path base =
        expanded.empty() ? std::filesystem::current_path() : std::filesystem::absolute(expanded);
    return base / kNotesFolder;
}

} // namespace

std::shared_ptr<VaultSync> VaultSync::create(std::shared_ptr<Backend> api,
                                             const std::optional<std::string>& vaultPath,
                                             Scheduler& scheduler, const Files& files, Log& log) {
    return std::shared_ptr<VaultSync>(
        new VaultSync(std::move(api), vaultPath, scheduler, files, log));
}

VaultSync::VaultSync(std::shared_ptr<Backend> api, const std::optional<std::string>& vaultPath,
                     Scheduler& scheduler, const Files& files, Log& log)
    : api_(std::move(api)), vaultDir_(notesFolder(vaultPath, files)),
      stateFile_(files.homeDirectory() / kStateFile), queue_(scheduler.serialQueue(kQueueLabel)),
      scheduler_(scheduler), log_(log), state_(State::empty()) {
    if (const auto text = VaultFiles::read(stateFile_)) {
        stateText_ = *text;
        state_ = State::decode(*text).value_or(State::empty());
    }
}

VaultSync::~VaultSync() {
    if (timer_) {
        timer_->invalidate();
    }
}

void VaultSync::start() {
    syncSoon();
    timer_ = scheduler_.repeatingTimer(kSyncIntervalSeconds, [weak = weak_from_this()] {
        if (auto self = weak.lock()) {
            self->syncSoon();
        }
    });
}

void VaultSync::syncSoon() {
    queue_->async([weak = weak_from_this(), &scheduler = scheduler_] {
        auto self = weak.lock();
        if (!self) {
            return;
        }
        self->sync();
        // If the owner let go meanwhile, the synchroniser must not be destroyed
        // here: that would destroy this queue from its own thread.
        scheduler.mainAsync([last = std::move(self)] {});
    });
}

VaultSync::Result VaultSync::syncNow() {
    return runSync();
}

void VaultSync::sync() {
    try {
        const Result result = runSync();
        if (result.notes >= 1) {
            log_.writeFormat("VaultSync: wrote %d notes", {std::to_string(result.notes)});
        }
    } catch (const std::exception& error) {
        log_.writeFormat("VaultSync error: %@", {error.what()});
    }
}

// One sync's view of the vault: the files known before it and those it keeps.
struct VaultSync::Run {
    std::map<std::string, std::string> known;
    double now = 0;
    std::map<std::string, std::string> files;
    std::set<std::string> writtenNames;
    Result result;
};

VaultSync::Result VaultSync::runSync() {
    std::lock_guard guard(syncMutex_);
    const SyncLock lock(lockFile());
    adoptStateSavedElsewhere();
    createVaultFolder();
    const auto notes = api_->fetchNotes("", true);

    Run run;
    run.known = state_.files ? *state_.files : discoverManagedFiles();
    run.now = scheduler_.now();
    for (const auto& note : notes) {
        mirror(note, run);
    }
    // Archived, deleted and skipped notes leave no file behind.
    for (const auto& [id, name] : run.known) {
        if (!run.files.contains(id)) {
            removeNoteFile(name, run);
        }
    }
    state_.files = std::move(run.files);
    saveState();
    return run.result;
}

void VaultSync::createVaultFolder() const {
    std::error_code error;
    std::filesystem::create_directories(vaultDir_, error);
    if (error) {
        throw PlatformError("Could not create the vault folder " + vaultDir_.string() + ": " +
                            error.message());
    }
}

void VaultSync::mirror(const nlohmann::json& note, Run& run) {
    const auto id = NoteMarkdown::stringValue(note, "id");
    const auto createdAt = NoteMarkdown::stringValue(note, "created_at");
    if (!id || !createdAt || NoteMarkdown::stringValue(note, "archived_at")) {
        return;
    }
    const std::string title = NoteMarkdown::stringValue(note, "title").value_or("");
    const std::string name =
        NoteFiles::fileName(*createdAt, title, id, run.now) + std::string(NoteFiles::kExtension);
    if (const auto old = run.known.find(*id); old != run.known.end() && old->second != name) {
        removeNoteFile(old->second, run);
    }
    if (write(note, *id, *createdAt, name, run.now)) {
        ++run.result.filesWritten;
    }
    run.files[*id] = name;
    run.writtenNames.insert(name);
    ++run.result.notes;
    state_.syncedIds.insert(*id);
    if (state_.lastCreatedAt < *createdAt) {
        state_.lastCreatedAt = *createdAt;
    }
}

// The terminal tool and the agent share the state file; whichever synced last
// knows the files on disk. Ids and the latest date this process learnt stay.
void VaultSync::adoptStateSavedElsewhere() {
    const auto text = VaultFiles::read(stateFile_);
    if (!text || *text == stateText_) {
        return;
    }
    auto saved = State::decode(*text);
    if (!saved) {
        return;
    }
    saved->syncedIds.merge(state_.syncedIds);
    saved->lastCreatedAt = std::max(saved->lastCreatedAt, state_.lastCreatedAt);
    state_ = std::move(*saved);
    stateText_ = *text;
}

std::map<std::string, std::string> VaultSync::discoverManagedFiles() const {
    return ManagedFiles::discover(vaultDir_);
}

bool VaultSync::write(const nlohmann::json& note, const std::string& id,
                      const std::string& createdAt, const std::string& name, double now) {
    const std::string content = NoteMarkdown::render(note, id, createdAt, now);
    const auto target = vaultDir_ / name;
    if (VaultFiles::read(target) == content) {
        return false; // spares editors and sync tools that watch the folder
    }
    VaultFiles::writeAtomically(target, content);
    return true;
}

// Names come from the state file or the folder listing, so only plain names
// inside the vault are deleted, and never a file this sync has just written.
void VaultSync::removeNoteFile(const std::string& name, const Run& run) {
    if (NoteFiles::isPlainFileName(name) && !run.writtenNames.contains(name)) {
        VaultFiles::removeFile(vaultDir_ / name);
    }
}

void VaultSync::saveState() {
    std::error_code ignored;
    std::filesystem::create_directories(stateFile_.parent_path(), ignored);
    std::string text;
    try {
        text = state_.encode();
    } catch (const std::exception&) {
        return;
    }
    std::ofstream stream(stateFile_, std::ios::binary | std::ios::trunc);
    stream << text;
    stream.close();
    if (stream) {
        stateText_ = std::move(text);
    }
}

std::filesystem::path VaultSync::lockFile() const {
    return stateFile_.parent_path() / kLockFile;
}

} // namespace orvendi
