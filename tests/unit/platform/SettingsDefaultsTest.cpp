#include <gtest/gtest.h>

#include "platform/linux/system/SettingsDefaults.h"
#include "support/harness/TempDir.h"

namespace orvendi {
namespace {

TEST(SettingsDefaults, ValuesWrittenByOneInstanceAreSeenByAnother) {
    test::TempDir dir;
    const std::string ini = (dir.path() / "Orvendi.ini").string();
    SettingsDefaults agent(ini);
    SettingsDefaults tool(ini);

    agent.setBoolean("activationComplete", true);
    agent.setInteger("activationStage", 3);
    agent.setString("installationId", "5f0c6b8e-3c1a-4e7f-9a55-0b1f2d3c4e5f");
    agent.setString("Orvendi.RecordingHUDOrigin", "{1704, 990}");

    EXPECT_EQ(tool.boolean("activationComplete"), true);
    EXPECT_EQ(tool.integer("activationStage"), 3);
    EXPECT_EQ(tool.string("installationId"), "5f0c6b8e-3c1a-4e7f-9a55-0b1f2d3c4e5f");
    EXPECT_EQ(tool.string("Orvendi.RecordingHUDOrigin"), "{1704, 990}")
        << "a comma must not split the value";

    tool.remove("activationStage");
    EXPECT_FALSE(agent.integer("activationStage"));
    EXPECT_FALSE(agent.boolean("never-set"));
    EXPECT_FALSE(agent.string("never-set"));
}

TEST(SettingsDefaults, DefaultStoreLivesUnderTheXdgConfigFolder) {
    test::TempDir dir;
    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    {
        SettingsDefaults defaults;
        defaults.setString("probe", "1");
    }
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Orvendi" / "Orvendi.ini"));
    unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace orvendi
