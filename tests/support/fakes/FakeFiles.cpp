#include "support/fakes/FakeFiles.h"

#include "base/Error.h"

namespace orvendi::test {

FakeFiles::FakeFiles() {
    std::filesystem::create_directories(homeDirectory());
}

std::filesystem::path FakeFiles::applicationSupportDirectory() const {
    if (failApplicationSupport) {
        throw PlatformError("The application support folder is unavailable");
    }
    auto folder = temp_.path() / "data";
    std::filesystem::create_directories(folder);
    return folder;
}

} // namespace orvendi::test
