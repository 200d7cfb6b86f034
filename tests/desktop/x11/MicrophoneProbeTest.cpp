#include <gtest/gtest.h>

#include "X11Services.h"
#include "platform/linux/PulseMicrophoneProbe.h"

namespace orvendi {
namespace {

// This session has no sound server: the microphone is refused, at once.
TEST(LinuxPrivacy, WithoutASoundServerTheMicrophoneIsDenied) {
    test::X11Services services;
    PulseMicrophoneProbe microphone;
    LinuxPrivacy privacy([&] { return microphone.authorization(); }, services.accessibility,
                         services.x);
    EXPECT_EQ(privacy.microphoneAuthorization(), MicrophoneAuthorization::Denied);
    std::optional<bool> granted;
    privacy.requestMicrophoneAccess([&](bool answer) { granted = answer; });
    EXPECT_EQ(granted, false);
}

} // namespace
} // namespace orvendi
