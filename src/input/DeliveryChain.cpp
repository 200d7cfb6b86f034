#include "input/DeliveryChain.h"

#include <algorithm>

#include "input/EvidenceWait.h"
#include "input/TextInsertion.h"
#include "platform/KeyEvents.h"
#include "platform/Pasteboard.h"
#include "platform/Scheduler.h"
#include "platform/Workspace.h"

namespace orvendi {

void DeliveryChain::deliver(const InsertionTarget& target, const std::string& text,
                            const InsertionServices& services, Completion completion) {
    std::shared_ptr<DeliveryChain> chain(
        new DeliveryChain(target, text, services, std::move(completion)));
    chain->fillClipboard();
    if (chain->insertDirectly()) {
        chain->finish(DeliveryRoute::TextInsertion);
        return;
    }
    chain->bringTargetBack();
}

DeliveryChain::DeliveryChain(InsertionTarget target, std::string text,
                             const InsertionServices& services, Completion completion)
    : target_(std::move(target)), text_(std::move(text)), services_(services),
      completion_(std::move(completion)) {}

void DeliveryChain::fillClipboard() {
    // The previous contents are not kept; the text stays there afterwards.
    services_.pasteboard.clearContents();
    services_.pasteboard.setString(text_);
    clipboardFilledAt_ = services_.scheduler.now();
}

bool DeliveryChain::insertDirectly() {
    // A secure field only gets text the user pastes into it.
    if (target_.isSecure || !target_.focusedElement || !target_.selectedRange) {
        return false;
    }
    switch (TextInsertion::insert(services_.accessibility, *target_.focusedElement,
                                  *target_.selectedRange, text_)) {
    case TextInsertion::Result::Inserted:
        return true;
    case TextInsertion::Result::SelectionRemoved:
        target_.selectedRange = TextRange{target_.selectedRange->location, 0};
        return false;
    case TextInsertion::Result::NotInserted:
        return false;
    }
    return false;
}

void DeliveryChain::bringTargetBack() {
    if (!services_.workspace.activateProcess(target_.processIdentifier)) {
        finish(DeliveryFailure::TargetNotBack); // the application has quit
        return;
    }
    EvidenceWait::until(
        services_.scheduler, kActivationBound,
        [self = shared_from_this()] { return self->targetIsFrontmost(); },
        [self = shared_from_this()](bool inFront) {
            if (!inFront) {
                self->finish(DeliveryFailure::TargetNotBack);
                return;
            }
            self->restoreFocusAndSelection();
            self->pasteOnceClipboardReads();
        });
}

void DeliveryChain::restoreFocusAndSelection() {
    if (!target_.focusedElement) {
        return;
    }
    // Focus first: some applications reset the selection when focused.
    services_.accessibility.setFocused(*target_.focusedElement);
    if (target_.selectedRange) {
        services_.accessibility.setSelectedRange(*target_.focusedElement, *target_.selectedRange);
    }
}

void DeliveryChain::pasteOnceClipboardReads() {
    const double left =
        std::max(0.0, clipboardFilledAt_ + kClipboardBound - services_.scheduler.now());
    EvidenceWait::until(
        services_.scheduler, left,
        [self = shared_from_this()] { return self->services_.pasteboard.string() == self->text_; },
        [self = shared_from_this()](bool) {
            // The user may have moved to another window meanwhile.
            if (!self->targetIsFrontmost()) {
                self->finish(DeliveryFailure::TargetNotBack);
                return;
            }
            self->finish(self->services_.keyEvents.postPasteKeystroke()
                             ? DeliveryOutcome(DeliveryRoute::PasteKeystroke)
                             : DeliveryOutcome(DeliveryFailure::NoKeystroke));
        });
}

bool DeliveryChain::targetIsFrontmost() {
    return services_.workspace.frontmostProcessId() == target_.processIdentifier;
}

void DeliveryChain::finish(DeliveryOutcome outcome) {
    if (completion_) {
        completion_(outcome);
    }
}

} // namespace orvendi
