#include <algorithm>
#include <cctype>

#include <gtest/gtest.h>

#include "InstallationId.h"
#include "base/UUID.h"
#include "support/fakes/MemoryDefaults.h"

namespace orvendi::test {
namespace {

TEST(InstallationId, KeepsAStoredUUIDAndReplacesAnythingElse) {
    const std::string upper = "5F0C6B8E-3C1A-4E7F-9A55-0B1F2D3C4E5F";
    const std::vector<std::pair<std::optional<std::string>, bool>> rows = {
        {std::nullopt, false}, {"", false},   {"not-a-uuid", false},
        {upper + "0", false},  {upper, true},
    };
    for (const auto& [stored, kept] : rows) {
        MemoryDefaults defaults;
        if (stored) {
            defaults.setString("installationId", *stored);
        }
        const std::string id = InstallationId(defaults).value();
        if (kept) {
            EXPECT_EQ(id, *stored);
        } else {
            EXPECT_TRUE(isUUID(id)) << id;
            EXPECT_EQ(std::count_if(id.begin(), id.end(), ::isupper), 0) << id;
        }
        EXPECT_EQ(defaults.string("installationId"), id);
        EXPECT_EQ(InstallationId(defaults).value(), id) << "stable once made";
    }
}

} // namespace
} // namespace orvendi::test
