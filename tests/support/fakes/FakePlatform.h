#pragma once

#include "platform/Platform.h"
#include "support/fakes/CapturingLog.h"
#include "support/fakes/FakeAccessibility.h"
#include "support/fakes/FakeApplication.h"
#include "support/fakes/FakeAudioInput.h"
#include "support/fakes/FakeFiles.h"
#include "support/fakes/FakeKeyEvents.h"
#include "support/fakes/FakeKeychain.h"
#include "support/fakes/FakePasteboard.h"
#include "support/fakes/FakePrivacy.h"
#include "support/fakes/FakeWindows.h"
#include "support/fakes/FakeWorkspace.h"
#include "support/fakes/MemoryDefaults.h"
#include "support/fakes/VirtualScheduler.h"

namespace orvendi::test {

// Every platform service as a fake, in virtual time.
struct FakePlatform {
    explicit FakePlatform(VirtualScheduler::Background mode = VirtualScheduler::Background::Queued)
        : scheduler(mode) {}
    // Background threads must be done before the services they use go.
    ~FakePlatform() { scheduler.finishBackgroundWork(); }
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    Platform platform() {
        return Platform{scheduler,     application, windows, workspace,  pasteboard,
                        accessibility, keyEvents,   privacy, audioInput, keychain,
                        defaults,      files,       log};
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
