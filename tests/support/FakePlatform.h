#pragma once

#include "platform/Platform.h"
#include "support/CapturingLog.h"
#include "support/FakeAccessibility.h"
#include "support/FakeApplication.h"
#include "support/FakeAudioInput.h"
#include "support/FakeFiles.h"
#include "support/FakeKeyEvents.h"
#include "support/FakeKeychain.h"
#include "support/FakePasteboard.h"
#include "support/FakePrivacy.h"
#include "support/FakeWindows.h"
#include "support/FakeWorkspace.h"
#include "support/MemoryDefaults.h"
#include "support/VirtualScheduler.h"

namespace orvendi::test {

// Every platform service as a fake, in virtual time.
struct FakePlatform {
    explicit FakePlatform(VirtualScheduler::Background mode = VirtualScheduler::Background::Queued)
        : scheduler(mode) {}

    Platform platform() {
        return Platform{scheduler, application, windows, workspace, pasteboard, accessibility, keyEvents,
                        privacy,   audioInput,  keychain, defaults, files,      log};
    }

    VirtualScheduler scheduler;
    FakeApplication application;
    FakeWindows windows;
    FakeWorkspace workspace;
    FakePasteboard pasteboard;
    FakeAccessibility accessibility;
    FakeKeyEvents keyEvents;
    FakePrivacy privacy;
    FakeAudioInput audioInput;
    FakeKeychain keychain;
    MemoryDefaults defaults;
    FakeFiles files;
    CapturingLog log;
};

} // namespace orvendi::test
