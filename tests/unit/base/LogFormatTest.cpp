#include <gtest/gtest.h>

#include "base/LogFormat.h"

namespace orvendi {
namespace {

TEST(LogFormat, TakesArgumentsAsGivenInOrder) {
    EXPECT_EQ(formatLogMessage("Orvendi error: %@", {"50% done %@"}), "Orvendi error: 50% done %@");
    EXPECT_EQ(formatLogMessage("VaultSync: wrote %d notes", {"12"}), "VaultSync: wrote 12 notes");
    EXPECT_EQ(formatLogMessage("%@ and %@", {"one"}), "one and %@")
        << "a missing argument leaves the placeholder";
    EXPECT_EQ(formatLogMessage("100%", {}), "100%");
}

} // namespace
} // namespace orvendi
