#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "LevelMeter.h"

namespace orvendi::test {
namespace {

TEST(LevelMeter, BarFillsOnADecibelScaleFromMinusSixty) {
    const std::vector<std::pair<float, std::string>> rows = {
        {0.0f, "[          ]"},
        {0.0005f, "[          ]"},                // below -60 dBFS
        {0.001f, "[          ]"},                 // -60 dBFS
        {std::pow(10.0f, -1.5f), "[#####     ]"}, // -30 dBFS
        {1.0f, "[##########]"},
        {4.0f, "[##########]"}, // clipped float input
        {std::numeric_limits<float>::quiet_NaN(), "[          ]"},
    };
    for (const auto& [peak, bar] : rows) {
        EXPECT_EQ(LevelMeter::bar(peak, 10), bar) << peak;
    }
}

TEST(LevelMeter, KeepsTheLoudestSampleOfAnyChannelUntilRead) {
    LevelMeter meter;
    const float left[] = {0.1f, -0.2f, 0.05f};
    const float right[] = {0.0f, std::numeric_limits<float>::infinity(), -0.7f};
    const float* planes[] = {left, right};
    meter.hear(planes, 2, 3);
    const float quiet[] = {0.3f};
    const float* quietPlanes[] = {quiet};
    meter.hear(quietPlanes, 1, 1);

    EXPECT_FLOAT_EQ(meter.takePeak(), 0.7f);
    EXPECT_FLOAT_EQ(meter.takePeak(), 0.0f);
}

} // namespace
} // namespace orvendi::test
