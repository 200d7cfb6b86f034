#include "input/Paster.h"

#include "platform/KeyEvents.h"
#include "platform/Pasteboard.h"
#include "platform/Scheduler.h"

namespace orvendi::Paster {

void paste(const std::string& text, Pasteboard& pasteboard, KeyEvents& keyEvents,
           Scheduler& scheduler) {
    pasteboard.clearContents();
    pasteboard.setString(text);
    scheduler.mainAfter(kKeystrokeDelay, [&keyEvents] { keyEvents.postPasteKeystroke(); });
}

} // namespace orvendi::Paster
