#include "vault/VaultFiles.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "base/Error.h"

namespace orvendi::VaultFiles {

namespace {

constexpr int kTemporaryNameAttempts = 100;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

PlatformError writeError(const std::filesystem::path& target, int error) {
    return PlatformError("Could not write " + target.string() + ": " + std::strerror(error));
}

// A hidden name in the target's folder, so that folder listings of notes skip
// it and a rename within one file system replaces the target.
std::filesystem::path temporaryPath(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    const std::string name = ".orvendi-" + std::to_string(::getpid()) + "-" +
                             std::to_string(counter.fetch_add(1)) + ".tmp";
    return target.parent_path() / name;
}

// Creates a temporary file that did not exist before ("x": exclusive), with
// the default permissions for new files.
std::pair<std::filesystem::path, FileHandle> createTemporary(const std::filesystem::path& target) {
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        auto path = temporaryPath(target);
        FileHandle file(std::fopen(path.c_str(), "wbx"));
        if (file) {
            return {path, std::move(file)};
        }
        if (errno != EEXIST) {
            throw writeError(target, errno);
        }
    }
    throw writeError(target, EEXIST);
}

// Reads to the end (the size is only a hint: the file may change meanwhile).
std::optional<std::string> readAll(int descriptor, size_t expectedSize) {
    std::string content(expectedSize + 1, '\0');
    size_t used = 0;
    for (;;) {
        if (used == content.size()) {
            content.resize(content.size() * 2);
        }
        const ssize_t count = ::read(descriptor, content.data() + used, content.size() - used);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return std::nullopt;
        }
        if (count == 0) {
            content.resize(used);
            return content;
        }
        used += static_cast<size_t>(count);
    }
}

} // namespace

void writeAtomically(const std::filesystem::path& target, const std::string& content) {
    auto [temporary, file] = createTemporary(target);
    const auto fail = [&, path = temporary](int error) {
        std::remove(path.c_str());
        throw writeError(target, error);
    };
    if (std::fwrite(content.data(), 1, content.size(), file.get()) != content.size()) {
        const int error = errno;
        file.reset();
        fail(error);
    }
    if (std::fclose(file.release()) != 0) {
        fail(errno);
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        fail(errno);
    }
}

std::optional<std::string> read(const std::filesystem::path& file) {
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return std::nullopt;
    }
    std::optional<std::string> content;
    struct stat info {};
    if (::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode)) {
        content = readAll(descriptor, static_cast<size_t>(info.st_size));
    }
    ::close(descriptor);
    return content;
}

bool removeFile(const std::filesystem::path& file) {
    return ::unlink(file.c_str()) == 0;
}

} // namespace orvendi::VaultFiles
