#include "capture/RecoveryStore.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unistd.h>
#include <uuid/uuid.h>

#include "base/Error.h"
#include "capture/AudioConversion.h"
#include "capture/MoveAside.h"
#include "capture/WAV.h"

namespace orvendi {
namespace {

constexpr const char* kRecoveryFolder = "Orvendi/Pending Recordings";
constexpr const char* kFilePrefix = "pending-";
constexpr size_t kHeaderOnlyBytes = 44;
constexpr size_t kBytesPerSecond = 32000;
constexpr const char* kUnreadableFolder = "Unreadable Recordings";
// A recorder writes its spool file several times a second; one this quiet has
// no recorder behind it.
constexpr std::chrono::seconds kSpoolQuietTime{5};

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string lowercaseUUID() {
    uuid_t uuid;
    uuid_generate_random(uuid);
    char text[37];
    uuid_unparse_lower(uuid, text);
    return text;
}

std::string systemErrorText(int number) {
    return std::error_code(number, std::generic_category()).message();
}

[[noreturn]] void throwWriteFailure(const std::filesystem::path& file, int number) {
    throw PlatformError("Couldn't save the recording " + file.filename().string() + ": " +
                        systemErrorText(number));
}

bool writeAll(int descriptor, const Bytes& bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t result = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0) {
            return false;
        }
        written += size_t(result);
    }
    return true;
}

// Makes a rename in `folder` survive a power cut; a failure changes nothing
// about the file itself, so it is not reported.
void syncFolder(const std::filesystem::path& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

// Writes through a hidden temporary file in the same folder (never listed as a
// recording) and renames it into place, so `target` is either the old file or
// the complete new one, even if the process ends halfway.
void writeAtomically(const std::filesystem::path& target, const Bytes& bytes) {
    std::string hiddenName = ".";
    hiddenName.append(target.filename().string()).append(".XXXXXX");
    std::string temporary = (target.parent_path() / hiddenName).string();
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) {
        throwWriteFailure(target, errno);
    }
    const bool written = writeAll(descriptor, bytes) && ::fsync(descriptor) == 0;
    const int writeError = errno;
    const bool closed = ::close(descriptor) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), target.c_str()) != 0) {
        const int failure = !written ? writeError : errno;
        ::unlink(temporary.c_str());
        throwWriteFailure(target, failure);
    }
    syncFolder(target.parent_path());
}

std::optional<Bytes> readWholeFile(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        return std::nullopt;
    }
    Bytes bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    if (stream.bad()) {
        return std::nullopt;
    }
    return bytes;
}

bool isRecordingFile(const std::filesystem::directory_entry& entry) {
    const std::string name = entry.path().filename().string();
    const std::string extension = lowercased(entry.path().extension().string());
    std::error_code error;
    // Only files: a folder named like a recording cannot be recovered and
    // would otherwise block the retry of every older recording.
    return !name.starts_with(".") && (extension == ".wav" || extension == ".caf") &&
           entry.is_regular_file(error);
}

int64_t durationSeconds(const Bytes& wav) {
    const auto payload = WAV::pcmData(wav);
    if (!payload) {
        return 1;
    }
    return std::max<int64_t>(1, int64_t(payload->size() / kBytesPerSecond));
}

} // namespace

std::filesystem::path RecoveryStore::recoveryDirectory() const {
    const auto folder = files_.applicationSupportDirectory() / kRecoveryFolder;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        throw PlatformError("Couldn't create " + folder.string() + ": " + error.message());
    }
    return folder;
}

std::filesystem::path RecoveryStore::newRecoveryURL(const std::string& pathExtension) const {
    const auto folder = recoveryDirectory();
    std::filesystem::path candidate;
    std::error_code error;
    do {
        candidate = folder / (kFilePrefix + lowercaseUUID() + "." + pathExtension);
    } while (std::filesystem::exists(candidate, error));
    return candidate;
}

std::filesystem::path
RecoveryStore::persistForRecovery(const Bytes& wav, const std::filesystem::path& replacing) const {
    auto target = replacing;
    target.replace_extension("wav");
    writeAtomically(target, wav);
    // Replacing a file by itself must not delete what was just written.
    std::error_code error;
    if (!std::filesystem::equivalent(replacing, target, error)) {
        std::filesystem::remove(replacing, error);
    }
    return target;
}

std::vector<std::filesystem::path> RecoveryStore::pendingRecordings() const {
    std::filesystem::path folder;
    try {
        folder = recoveryDirectory();
    } catch (const Error&) {
        return {};
    }
    struct Entry {
        std::filesystem::path path;
        std::optional<std::filesystem::file_time_type> modified;
    };
    std::vector<Entry> entries;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (isRecordingFile(*it)) {
            std::error_code dateError;
            const auto modified = it->last_write_time(dateError);
            entries.push_back({it->path(), dateError ? std::nullopt : std::optional(modified)});
        }
    }
    if (error) {
        return {};
    }
    // An unreadable date counts as the most distant past.
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.modified && (!b.modified || *a.modified > *b.modified);
    });
    std::vector<std::filesystem::path> paths;
    paths.reserve(entries.size());
    for (auto& entry : entries) {
        paths.push_back(std::move(entry.path));
    }
    return paths;
}

std::optional<Recording> RecoveryStore::recover(const std::filesystem::path& file) const {
    auto attempt = attemptRecovery(file);
    if (auto* recording = std::get_if<Recording>(&attempt)) {
        return std::move(*recording);
    }
    return std::nullopt;
}

std::variant<Recording, RecoveryStore::RecoveryFailure>
RecoveryStore::attemptRecovery(const std::filesystem::path& file) const {
    auto wavFile = file;
    if (lowercased(file.extension().string()) == ".caf") {
        const auto pcm = convertTo16kMonoInt16(file);
        if (!pcm || pcm->empty()) {
            return RecoveryFailure::Unusable;
        }
        const auto wav = WAV::wrap(*pcm);
        if (!wav) {
            return RecoveryFailure::Unusable;
        }
        try {
            wavFile = persistForRecovery(*wav, file);
        } catch (const Error&) {
            return RecoveryFailure::NotStored;
        }
    }
    auto bytes = readWholeFile(wavFile);
    if (!bytes || bytes->size() <= kHeaderOnlyBytes) {
        return RecoveryFailure::Unusable;
    }
    const int64_t duration = durationSeconds(*bytes);
    return Recording{std::move(*bytes), duration, wavFile};
}

bool RecoveryStore::isBeingRecorded(const std::filesystem::path& file,
                                    const std::optional<std::filesystem::path>& liveSpool,
                                    bool othersMayRecord) {
    std::error_code error;
    if (liveSpool && (file == *liveSpool || std::filesystem::equivalent(file, *liveSpool, error))) {
        return true;
    }
    if (!othersMayRecord || lowercased(file.extension().string()) != ".caf") {
        return false;
    }
    const auto modified = std::filesystem::last_write_time(file, error);
    return !error && std::filesystem::file_time_type::clock::now() - modified < kSpoolQuietTime;
}

std::vector<std::filesystem::path>
RecoveryStore::retryableRecordings(const std::optional<std::filesystem::path>& liveSpool,
                                   bool othersMayRecord) const {
    auto files = pendingRecordings();
    std::erase_if(
        files, [&](const auto& file) { return isBeingRecorded(file, liveSpool, othersMayRecord); });
    return files;
}

std::optional<Recording>
RecoveryStore::takeNextPending(const std::optional<std::filesystem::path>& liveSpool,
                               bool othersMayRecord) const {
    for (const auto& file : retryableRecordings(liveSpool, othersMayRecord)) {
        if (auto recording = take(file)) {
            return recording;
        }
    }
    return std::nullopt;
}

std::optional<Recording> RecoveryStore::take(const std::filesystem::path& file) const {
    auto attempt = attemptRecovery(file);
    if (auto* recording = std::get_if<Recording>(&attempt)) {
        return std::move(*recording);
    }
    if (std::get<RecoveryFailure>(attempt) == RecoveryFailure::Unusable) {
        moveAside(file, kUnreadableFolder);
    }
    return std::nullopt;
}

} // namespace orvendi
