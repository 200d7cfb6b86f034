#include <gtest/gtest.h>

#include "../X11Services.h"
#include "platform/linux/pulse/PulseMicrophoneProbe.h"

namespace orvendi {
namespace {

// The session runs a sound server with a virtual microphone, an X server with
// XInput 2.2 and an accessibility bus that starts out disabled.
TEST(LinuxPrivacy, ProbesReportWhatTheSessionOffers) {
    test::X11Services services;
    PulseMicrophoneProbe microphone;
    LinuxPrivacy privacy([&] { return microphone.authorization(); }, services.accessibility,
                         services.x);

    EXPECT_EQ(privacy.microphoneAuthorization(), MicrophoneAuthorization::Authorized);
    std::optional<bool> granted;
    privacy.requestMicrophoneAccess([&](bool answer) { granted = answer; });
    EXPECT_EQ(granted, true);
    EXPECT_TRUE(privacy.inputMonitoringGranted());
    EXPECT_TRUE(privacy.screenCaptureGranted());

    EXPECT_FALSE(privacy.accessibilityTrusted()) << "accessibility is not enabled yet";
    test::setAccessibilityEnabled(true);
    EXPECT_TRUE(privacy.accessibilityTrusted());
    test::setAccessibilityEnabled(false);
    EXPECT_FALSE(privacy.accessibilityTrusted());
}

} // namespace
} // namespace orvendi
