#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/Accessibility.h"

namespace orvendi::test {

// An element whose attributes the test sets; it records what the agent writes.
class FakeElement : public AccessibleElement {
public:
    std::optional<std::string> role;
    std::optional<std::string> subrole;
    std::optional<TextRange> selectedRange;
    // Text the element shows; with `editable` it takes inserted text, unless
    // it `ignoresInsertion` (answers yes and changes nothing).
    std::optional<std::string> text;
    bool editable = false;
    bool ignoresInsertion = false;
    int focusCount = 0;
    std::vector<TextRange> rangesSet;
    // Every write, in order: "focus", "range <location>+<length>" or
    // "replace <location>+<length> <text>".
    std::vector<std::string> writes;
};

class FakeAccessibility : public Accessibility {
public:
    bool isProcessTrusted() override { return trusted; }
    std::shared_ptr<AccessibleElement> focusedElement(int32_t processId) override {
        auto it = focused.find(processId);
        return it == focused.end() ? nullptr : it->second;
    }
    std::optional<std::string> role(const AccessibleElement& element) override {
        return fake(element).role;
    }
    std::optional<std::string> subrole(const AccessibleElement& element) override {
        return fake(element).subrole;
    }
    std::optional<TextRange> selectedRange(const AccessibleElement& element) override {
        return fake(element).selectedRange;
    }
    bool setSelectedRange(AccessibleElement& element, TextRange range) override {
        auto& target = static_cast<FakeElement&>(element);
        target.rangesSet.push_back(range);
        target.writes.push_back("range " + std::to_string(range.location) + "+" +
                                std::to_string(range.length));
        target.selectedRange = range;
        return true;
    }
    bool setFocused(AccessibleElement& element) override {
        auto& target = static_cast<FakeElement&>(element);
        ++target.focusCount;
        target.writes.push_back("focus");
        return true;
    }

    bool acceptsInsertedText(const AccessibleElement& element) override {
        return fake(element).editable;
    }
    std::optional<std::string> text(const AccessibleElement& element) override {
        return fake(element).text;
    }
    // Offsets count bytes: the tests' texts are ASCII.
    bool replaceText(AccessibleElement& element, TextRange range,
                     const std::string& text) override {
        auto& target = static_cast<FakeElement&>(element);
        target.writes.push_back("replace " + std::to_string(range.location) + "+" +
                                std::to_string(range.length) + " " + text);
        if (!target.ignoresInsertion && target.text) {
            target.text->replace(size_t(range.location), size_t(range.length), text);
        }
        return true;
    }

    // Gives process `processId` a focused element and returns it for set-up.
    std::shared_ptr<FakeElement> focus(int32_t processId) {
        auto element = std::make_shared<FakeElement>();
        focused[processId] = element;
        return element;
    }

    bool trusted = true;
    std::map<int32_t, std::shared_ptr<FakeElement>> focused;

private:
    static const FakeElement& fake(const AccessibleElement& element) {
        return static_cast<const FakeElement&>(element);
    }
};

} // namespace orvendi::test
