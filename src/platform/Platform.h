#pragma once

#include "platform/Accessibility.h"
#include "platform/Application.h"
#include "platform/AudioInput.h"
#include "platform/Defaults.h"
#include "platform/Files.h"
#include "platform/KeyEvents.h"
#include "platform/Keychain.h"
#include "platform/Log.h"
#include "platform/Pasteboard.h"
#include "platform/Privacy.h"
#include "platform/Scheduler.h"
#include "platform/Windows.h"
#include "platform/Workspace.h"

namespace orvendi {

// Every platform service, handed to the application delegate at construction.
// The services outlive everything that uses them.
struct Platform {
    Scheduler& scheduler;
    Application& application;
    Windows& windows;
    Workspace& workspace;
    Pasteboard& pasteboard;
    Accessibility& accessibility;
    KeyEvents& keyEvents;
    Privacy& privacy;
    AudioInput& audioInput;
    Keychain& keychain;
    Defaults& defaults;
    Files& files;
    Log& log;
};

} // namespace orvendi
