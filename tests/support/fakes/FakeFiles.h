#pragma once

#include "platform/Files.h"
#include "support/harness/TempDir.h"

namespace orvendi::test {

// Home and application-support folders inside a private temporary folder.
class FakeFiles : public Files {
public:
    FakeFiles();
    std::filesystem::path homeDirectory() const override { return temp_.path() / "home"; }
    std::filesystem::path applicationSupportDirectory() const override;
    // Makes applicationSupportDirectory() fail like an uncreatable folder.
    bool failApplicationSupport = false;

private:
    TempDir temp_;
};

} // namespace orvendi::test
