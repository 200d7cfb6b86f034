#include "auth/SecretFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <unistd.h>

#include "base/Error.h"

namespace orvendi::server::SecretFile {

namespace {

std::optional<std::string> readFirstLine(const std::filesystem::path& file) {
    std::ifstream stream(file);
    if (!stream) {
        return std::nullopt;
    }
    std::string line;
    std::getline(stream, line);
    return line;
}

} // namespace

std::string loadOrCreate(const std::filesystem::path& file,
                         const std::function<std::string()>& make) {
    if (auto existing = readFirstLine(file); existing && !existing->empty()) {
        return *existing;
    }
    const std::string value = make();
    const std::string content = value + "\n";
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        throw Error("Cannot create " + file.string() + ": " + std::strerror(errno));
    }
    const bool written =
        ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!written || !synced) {
        throw Error("Cannot write " + file.string());
    }
    return value;
}

} // namespace orvendi::server::SecretFile
