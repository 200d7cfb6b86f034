#pragma once

#include <atspi/atspi.h>

#include "platform/Accessibility.h"

namespace orvendi {

// An element of another application reached over AT-SPI. Holds its own
// reference to the proxy object.
class AtspiElement : public AccessibleElement {
public:
    explicit AtspiElement(AtspiAccessible* object)
        : object_(static_cast<AtspiAccessible*>(g_object_ref(object))) {}
    ~AtspiElement() override { g_object_unref(object_); }
    AtspiElement(const AtspiElement&) = delete;
    AtspiElement& operator=(const AtspiElement&) = delete;

    AtspiAccessible* object() const { return object_; }

private:
    AtspiAccessible* object_;
};

} // namespace orvendi
