#include "input/FnKeyMonitor.h"

#include "platform/KeyEvents.h"
#include "platform/Scheduler.h"

namespace orvendi {

FnKeyMonitor::FnKeyMonitor(KeyEvents& keyEvents, Scheduler& scheduler)
    : keyEvents_(keyEvents), scheduler_(scheduler), self_(std::make_shared<FnKeyMonitor*>(this)) {}

FnKeyMonitor::~FnKeyMonitor() = default;

bool FnKeyMonitor::start() {
    if (monitoring_) {
        return true;
    }
    std::weak_ptr<FnKeyMonitor*> weakSelf = self_;
    Scheduler& scheduler = scheduler_;
    monitoring_ = keyEvents_.startMonitor([weakSelf, &scheduler](KeyFlags flags, double at) {
        // The monitor only reads the flags; every change of state happens in a
        // main-queue task, in the order the changes arrived.
        scheduler.mainAsync([weakSelf, flags, at] {
            if (auto self = weakSelf.lock()) {
                (*self)->handleFlags(flags, at);
            }
        });
    });
    return monitoring_;
}

void FnKeyMonitor::handleFlags(KeyFlags flags, double at) {
    const bool fnDown = flags.dictationKeyDown;
    const bool controlDown = flags.controlDown;
    const bool fnWasDown = fnIsDown_;
    const bool controlWasDown = controlIsDown_;
    if (fnDown && controlDown) {
        fnIsDown_ = true;
        controlIsDown_ = true;
        handleBothDown(fnWasDown, controlWasDown, at);
    } else if (fnDown) {
        fnIsDown_ = true;
        controlIsDown_ = false;
        // A Control release during the press keeps the gesture's kind.
        if (!fnWasDown) {
            activeGesture_ = ActiveGesture::Dictation;
            if (onFnDown) {
                onFnDown(at);
            }
        }
    } else {
        fnIsDown_ = false;
        controlIsDown_ = controlDown;
        handleFnUp(fnWasDown, flags.releaseLost, at);
    }
}

void FnKeyMonitor::handleBothDown(bool fnWasDown, bool controlWasDown, double at) {
    if (!fnWasDown) {
        activeGesture_ = ActiveGesture::Contextual;
        if (onContextDown) {
            onContextDown(at);
        }
        return;
    }
    if (controlWasDown) {
        return;
    }
    if (activeGesture_ == ActiveGesture::Dictation && onContextUpgrade && onContextUpgrade()) {
        activeGesture_ = ActiveGesture::Contextual;
    }
}

void FnKeyMonitor::handleFnUp(bool fnWasDown, bool releaseLost, double at) {
    if (!fnWasDown) {
        return;
    }
    if (releaseLost && activeGesture_ && onReleaseLost) {
        onReleaseLost();
        activeGesture_.reset();
        return;
    }
    // The up callback matches the kind in force at release, and runs before the
    // gesture is cleared.
    if (activeGesture_ == ActiveGesture::Contextual && onContextUp) {
        onContextUp(at);
    } else if (activeGesture_ == ActiveGesture::Dictation && onFnUp) {
        onFnUp(at);
    }
    activeGesture_.reset();
}

} // namespace orvendi
