#pragma once

#include <functional>
#include <memory>
#include <string>

#include "input/DeliveryRoute.h"
#include "input/InsertionTarget.h"

namespace orvendi {

// Takes one transcript into its captured target by the first route the target
// supports, each step checked before the next:
//   1. the clipboard gets the text (it keeps it whatever follows);
//   2. an editable element that is no terminal gets it written in directly and
//      read back (TextInsertion);
//   3. otherwise the target's application is brought back to the front, its
//      focus and selection restored, and once the clipboard reads back the
//      text the paste keystroke is posted.
// The keystroke goes only to the target's own application: when it cannot be
// brought back, or the session cannot send it a keystroke, the text stays on
// the clipboard. Nothing waits a fixed time:
// each step goes on as soon as its evidence is seen, within a bound. Main
// thread only.
class DeliveryChain : public std::enable_shared_from_this<DeliveryChain> {
public:
    using Completion = std::function<void(DeliveryOutcome)>;

    // The longest wait for the re-activated application to be in front.
    static constexpr double kActivationBound = 0.2;
    // The longest wait for the clipboard to read back the text before the
    // keystroke; past it the keystroke is posted anyway, as into an
    // application that asks the clipboard owner itself.
    static constexpr double kClipboardBound = 0.12;

    // Starts the delivery; `completion` hears its outcome on the main thread,
    // possibly before this returns.
    static void deliver(const InsertionTarget& target, const std::string& text,
                        const InsertionServices& services, Completion completion);

private:
    DeliveryChain(InsertionTarget target, std::string text, const InsertionServices& services,
                  Completion completion);

    void fillClipboard();
    bool insertDirectly();
    void bringTargetBack();
    void restoreFocusAndSelection();
    void pasteOnceClipboardReads();
    bool targetIsFrontmost();
    void finish(DeliveryOutcome outcome);

    InsertionTarget target_;
    std::string text_;
    InsertionServices services_;
    Completion completion_;
    double clipboardFilledAt_ = 0;
};

} // namespace orvendi
