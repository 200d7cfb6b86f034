// Qt first: the X11 headers define macros (Bool, Status) that break Qt's.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include "platform/linux/atspi/AtspiAccessibility.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "platform/linux/atspi/AtspiElement.h"
#include "platform/linux/rules/AtspiRoles.h"

namespace orvendi {
namespace {

// An application that stopped answering must not freeze the agent: every
// AT-SPI call gives up after this long.
constexpr int kCallTimeoutMilliseconds = 250;
constexpr int kStartupTimeoutMilliseconds = 1000;
// Walking a tree by hand (for toolkits without the collection interface) stops
// after this many elements or this long, whichever comes first.
constexpr int kMaxElementsWalked = 2000;
constexpr auto kWalkTimeLimit = std::chrono::milliseconds(150);
// Remembered focus is kept for this many applications at most.
constexpr size_t kMaxRememberedApplications = 64;

struct GObjectUnref {
    void operator()(gpointer object) const {
        if (object) {
            g_object_unref(object);
        }
    }
};
using AccessibleRef = std::unique_ptr<AtspiAccessible, GObjectUnref>;
using StateSetRef = std::unique_ptr<AtspiStateSet, GObjectUnref>;

// Receives a GLib error and frees it at the end of the scope.
struct ErrorSlot {
    GError* error = nullptr;
    ~ErrorSlot() { g_clear_error(&error); }
    GError** out() { return &error; }
    explicit operator bool() const { return error != nullptr; }
};

AtspiAccessible* objectOf(const AccessibleElement& element) {
    return static_cast<const AtspiElement&>(element).object();
}

bool hasState(AtspiAccessible* object, AtspiStateType state) {
    StateSetRef states(atspi_accessible_get_state_set(object));
    return states && atspi_state_set_contains(states.get(), state);
}

// A state-less answer means the object is gone or its application does not
// answer; AT-SPI marks such objects defunct.
bool isAlive(AtspiAccessible* object) {
    StateSetRef states(atspi_accessible_get_state_set(object));
    return states && !atspi_state_set_contains(states.get(), ATSPI_STATE_DEFUNCT) &&
           !atspi_state_set_is_empty(states.get());
}

std::vector<AccessibleRef> childrenOf(AtspiAccessible* object) {
    std::vector<AccessibleRef> children;
    ErrorSlot error;
    const int count = atspi_accessible_get_child_count(object, error.out());
    for (int i = 0; i < count && !error; ++i) {
        ErrorSlot childError;
        AccessibleRef child(atspi_accessible_get_child_at_index(object, i, childError.out()));
        if (child) {
            children.push_back(std::move(child));
        }
    }
    return children;
}

AccessibleRef focusedByCollection(AtspiAccessible* window, bool& supported) {
    std::unique_ptr<AtspiCollection, GObjectUnref> collection(
        atspi_accessible_get_collection_iface(window));
    supported = collection != nullptr;
    if (!collection) {
        return nullptr;
    }
    StateSetRef focused(atspi_state_set_new(nullptr));
    atspi_state_set_add(focused.get(), ATSPI_STATE_FOCUSED);
    std::unique_ptr<AtspiMatchRule, GObjectUnref> rule(atspi_match_rule_new(
        focused.get(), ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_ALL, nullptr,
        ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_ALL, FALSE));
    ErrorSlot error;
    GArray* matches = atspi_collection_get_matches(
        collection.get(), rule.get(), ATSPI_Collection_SORT_ORDER_CANONICAL, 1, TRUE, error.out());
    if (!matches) {
        supported = !error; // a failing call means: walk the tree instead
        return nullptr;
    }
    AccessibleRef found;
    for (guint i = 0; i < matches->len; ++i) {
        AccessibleRef match(g_array_index(matches, AtspiAccessible*, i));
        if (!found) {
            found = std::move(match);
        }
    }
    g_array_free(matches, TRUE);
    return found;
}

AccessibleRef focusedByWalking(AtspiAccessible* window) {
    const auto deadline = std::chrono::steady_clock::now() + kWalkTimeLimit;
    std::vector<AccessibleRef> pending;
    pending.emplace_back(ATSPI_ACCESSIBLE(g_object_ref(window)));
    for (int walked = 0; !pending.empty() && walked < kMaxElementsWalked; ++walked) {
        if (std::chrono::steady_clock::now() > deadline) {
            break;
        }
        AccessibleRef element = std::move(pending.back());
        pending.pop_back();
        StateSetRef states(atspi_accessible_get_state_set(element.get()));
        if (!states) {
            continue;
        }
        if (atspi_state_set_contains(states.get(), ATSPI_STATE_FOCUSED)) {
            return element;
        }
        // Hidden parts of the window cannot hold the focus; lists that manage
        // their descendants may hold thousands of rows.
        if (!atspi_state_set_contains(states.get(), ATSPI_STATE_SHOWING) ||
            atspi_state_set_contains(states.get(), ATSPI_STATE_MANAGES_DESCENDANTS)) {
            continue;
        }
        for (auto& child : childrenOf(element.get())) {
            pending.push_back(std::move(child));
        }
    }
    return nullptr;
}

AccessibleRef focusedWithin(AtspiAccessible* window) {
    bool collectionSupported = false;
    AccessibleRef found = focusedByCollection(window, collectionSupported);
    if (found || collectionSupported) {
        return found;
    }
    return focusedByWalking(window);
}

std::unique_ptr<AtspiText, GObjectUnref> textOf(const AccessibleElement& element) {
    return std::unique_ptr<AtspiText, GObjectUnref>(
        atspi_accessible_get_text_iface(objectOf(element)));
}

std::unique_ptr<AtspiEditableText, GObjectUnref> editableTextOf(const AccessibleElement& element) {
    return std::unique_ptr<AtspiEditableText, GObjectUnref>(
        atspi_accessible_get_editable_text_iface(objectOf(element)));
}

// Qt's bridge reads the length of inserted text in UTF-16 units, the other
// toolkits (GTK, Gecko, Chromium) in bytes; too long a length makes Qt pad the
// text with garbage.
gint insertionLength(AtspiAccessible* object, const std::string& text) {
    ErrorSlot error;
    std::unique_ptr<gchar, decltype(&g_free)> toolkit(
        atspi_accessible_get_toolkit_name(object, error.out()), &g_free);
    if (!toolkit || g_ascii_strcasecmp(toolkit.get(), "qt") != 0) {
        return static_cast<gint>(text.size());
    }
    gint units = 0;
    for (unsigned char byte : text) {
        if ((byte & 0xC0) != 0x80) {
            units += byte >= 0xF0 ? 2 : 1; // four-byte sequences need a surrogate pair
        }
    }
    return units;
}

bool accessibilityEnabled() {
    auto call = QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus",
                                               "org.freedesktop.DBus.Properties", "Get");
    call << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled");
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, kStartupTimeoutMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return false;
    }
    return reply.arguments().front().value<QDBusVariant>().variant().toBool();
}

} // namespace

AtspiAccessibility::AtspiAccessibility() {
    // atspi_init answers 1 to every call after the first, also when the first
    // found no accessibility bus; libatspi aborts the process when it is used
    // without one, so the bus itself is what decides.
    atspi_init();
    initialised_ = atspi_get_a11y_bus() != nullptr;
    if (!initialised_) {
        return;
    }
    atspi_set_timeout(kCallTimeoutMilliseconds, kStartupTimeoutMilliseconds);
    focusListener_ = atspi_event_listener_new(&AtspiAccessibility::onFocusEvent, this, nullptr);
    ErrorSlot error;
    atspi_event_listener_register(focusListener_, "object:state-changed:focused", error.out());
}

AtspiAccessibility::~AtspiAccessibility() {
    if (focusListener_) {
        atspi_event_listener_deregister(focusListener_, "object:state-changed:focused", nullptr);
        g_object_unref(focusListener_);
    }
    for (auto& [application, element] : focusByApplication_) {
        g_object_unref(application);
        g_object_unref(element);
    }
    if (lastFocusEvent_) {
        g_object_unref(lastFocusEvent_);
    }
}

void AtspiAccessibility::onFocusEvent(AtspiEvent* event, void* self) {
    if (event->detail1 == 1 && event->source) {
        static_cast<AtspiAccessibility*>(self)->rememberFocus(event->source);
    }
    g_boxed_free(ATSPI_TYPE_EVENT, event);
}

void AtspiAccessibility::rememberFocus(AtspiAccessible* element) {
    // Toolkits announce each focus change twice; AT-SPI hands out one proxy per
    // element, so the second announcement is the same object.
    if (element == lastFocusEvent_) {
        return;
    }
    if (lastFocusEvent_) {
        g_object_unref(lastFocusEvent_);
    }
    lastFocusEvent_ = ATSPI_ACCESSIBLE(g_object_ref(element));

    ErrorSlot error;
    AtspiAccessible* application = atspi_accessible_get_application(element, error.out());
    if (!application) {
        return;
    }
    if (focusByApplication_.size() >= kMaxRememberedApplications &&
        !focusByApplication_.count(application)) {
        for (auto& [app, focused] : focusByApplication_) {
            g_object_unref(app);
            g_object_unref(focused);
        }
        focusByApplication_.clear();
    }
    auto [entry, inserted] = focusByApplication_.try_emplace(application, nullptr);
    if (!inserted) {
        g_object_unref(application); // the map holds its reference already
        g_object_unref(entry->second);
    }
    entry->second = ATSPI_ACCESSIBLE(g_object_ref(element));
}

bool AtspiAccessibility::isProcessTrusted() {
    if (!initialised_ || !accessibilityEnabled()) {
        return false;
    }
    AccessibleRef desktop(atspi_get_desktop(0));
    ErrorSlot error;
    // Asks the bus for the registry's process: an answer proves the
    // accessibility bus and its registry are there.
    return desktop && atspi_accessible_get_process_id(desktop.get(), error.out()) > 0 && !error;
}

AtspiAccessible* AtspiAccessibility::applicationOf(int32_t processId) {
    AccessibleRef desktop(atspi_get_desktop(0));
    if (!desktop) {
        return nullptr;
    }
    for (auto& application : childrenOf(desktop.get())) {
        ErrorSlot error;
        const guint pid = atspi_accessible_get_process_id(application.get(), error.out());
        if (!error && static_cast<int32_t>(pid) == processId) {
            return application.release();
        }
    }
    return nullptr;
}

AtspiAccessible* AtspiAccessibility::rememberedFocus(AtspiAccessible* application) {
    const auto found = focusByApplication_.find(application);
    return found == focusByApplication_.end() ? nullptr : found->second;
}

AtspiAccessible* AtspiAccessibility::searchFocused(AtspiAccessible* application) {
    auto windows = childrenOf(application);
    // The active window holds the keyboard focus; look there first.
    std::stable_partition(windows.begin(), windows.end(), [](const AccessibleRef& window) {
        return hasState(window.get(), ATSPI_STATE_ACTIVE);
    });
    for (auto& window : windows) {
        if (AccessibleRef found = focusedWithin(window.get())) {
            return found.release();
        }
    }
    return nullptr;
}

std::shared_ptr<AccessibleElement> AtspiAccessibility::focusedElement(int32_t processId) {
    if (!initialised_) {
        return nullptr;
    }
    AccessibleRef application(applicationOf(processId));
    if (!application) {
        return nullptr;
    }
    AtspiAccessible* remembered = rememberedFocus(application.get());
    if (remembered && hasState(remembered, ATSPI_STATE_FOCUSED)) {
        return std::make_shared<AtspiElement>(remembered);
    }
    if (AccessibleRef found{searchFocused(application.get())}) {
        return std::make_shared<AtspiElement>(found.get());
    }
    // No window of the application is active: where its user last typed.
    if (remembered && isAlive(remembered)) {
        return std::make_shared<AtspiElement>(remembered);
    }
    return nullptr;
}

std::optional<int32_t> AtspiAccessibility::focusedProcessId() {
    if (!initialised_) {
        return std::nullopt;
    }
    // The last focus event is where the user types unless its element lost
    // the focus since, to an application AT-SPI does not see.
    if (lastFocusEvent_ && hasState(lastFocusEvent_, ATSPI_STATE_FOCUSED)) {
        ErrorSlot error;
        const guint pid = atspi_accessible_get_process_id(lastFocusEvent_, error.out());
        if (!error) {
            return static_cast<int32_t>(pid);
        }
    }
    return activeApplicationProcessId();
}

std::optional<int32_t> AtspiAccessibility::activeApplicationProcessId() {
    AccessibleRef desktop(atspi_get_desktop(0));
    if (!desktop) {
        return std::nullopt;
    }
    for (auto& application : childrenOf(desktop.get())) {
        for (auto& window : childrenOf(application.get())) {
            if (!hasState(window.get(), ATSPI_STATE_ACTIVE)) {
                continue;
            }
            ErrorSlot error;
            const guint pid = atspi_accessible_get_process_id(application.get(), error.out());
            if (!error) {
                return static_cast<int32_t>(pid);
            }
        }
    }
    return std::nullopt;
}

bool AtspiAccessibility::focusWindowOf(int32_t processId) {
    if (!initialised_) {
        return false;
    }
    AccessibleRef application(applicationOf(processId));
    if (!application) {
        return false;
    }
    for (auto& window : childrenOf(application.get())) {
        if (AtspiElement element(window.get()); setFocused(element)) {
            return true;
        }
    }
    return false;
}

std::optional<AtspiRole> AtspiAccessibility::nativeRole(const AccessibleElement& element) {
    ErrorSlot error;
    const AtspiRole role = atspi_accessible_get_role(objectOf(element), error.out());
    if (error || role == ATSPI_ROLE_INVALID) {
        return std::nullopt;
    }
    return role;
}

std::optional<std::string> AtspiAccessibility::role(const AccessibleElement& element) {
    const auto native = nativeRole(element);
    if (!native) {
        return std::nullopt;
    }
    return agentRoleOf(*native, hasState(objectOf(element), ATSPI_STATE_MULTI_LINE)).role;
}

std::optional<std::string> AtspiAccessibility::subrole(const AccessibleElement& element) {
    const auto native = nativeRole(element);
    if (!native) {
        return std::nullopt;
    }
    return agentRoleOf(*native, hasState(objectOf(element), ATSPI_STATE_MULTI_LINE)).subrole;
}

std::optional<TextRange> AtspiAccessibility::selectedRange(const AccessibleElement& element) {
    auto text = textOf(element);
    if (!text) {
        return std::nullopt;
    }
    ErrorSlot error;
    const int selections = atspi_text_get_n_selections(text.get(), error.out());
    if (!error && selections > 0) {
        ErrorSlot rangeError;
        std::unique_ptr<AtspiRange, decltype(&g_free)> range(
            atspi_text_get_selection(text.get(), 0, rangeError.out()), &g_free);
        if (range && !rangeError && range->start_offset != range->end_offset) {
            const int64_t start = std::min(range->start_offset, range->end_offset);
            const int64_t end = std::max(range->start_offset, range->end_offset);
            return TextRange{start, end - start};
        }
    }
    ErrorSlot caretError;
    const int caret = atspi_text_get_caret_offset(text.get(), caretError.out());
    if (caretError || caret < 0) {
        return std::nullopt;
    }
    return TextRange{caret, 0};
}

bool AtspiAccessibility::setSelectedRange(AccessibleElement& element, TextRange range) {
    auto text = textOf(element);
    if (!text || range.location < 0 || range.length < 0 ||
        range.location + range.length > G_MAXINT) {
        return false;
    }
    const auto start = static_cast<gint>(range.location);
    const auto end = static_cast<gint>(range.location + range.length);
    ErrorSlot error;
    if (range.length == 0) {
        // Moving the caret clears a selection in every toolkit; clear it
        // explicitly for those that keep it.
        const int selections = atspi_text_get_n_selections(text.get(), nullptr);
        for (int i = 0; i < selections; ++i) {
            atspi_text_remove_selection(text.get(), 0, nullptr);
        }
        return atspi_text_set_caret_offset(text.get(), start, error.out()) && !error;
    }
    const int selections = atspi_text_get_n_selections(text.get(), nullptr);
    const bool set = selections > 0
                         ? atspi_text_set_selection(text.get(), 0, start, end, error.out())
                         : atspi_text_add_selection(text.get(), start, end, error.out());
    return set && !error;
}

bool AtspiAccessibility::setFocused(AccessibleElement& element) {
    std::unique_ptr<AtspiComponent, GObjectUnref> component(
        atspi_accessible_get_component_iface(objectOf(element)));
    ErrorSlot error;
    return component && atspi_component_grab_focus(component.get(), error.out()) && !error;
}

bool AtspiAccessibility::acceptsInsertedText(const AccessibleElement& element) {
    // A terminal's text goes to its program as typed input, and terminals
    // paste their own way (the PRIMARY selection and Shift+Insert).
    if (nativeRole(element) == ATSPI_ROLE_TERMINAL) {
        return false;
    }
    // Read-only fields implement the interface too and ignore the call.
    return editableTextOf(element) && hasState(objectOf(element), ATSPI_STATE_EDITABLE);
}

std::optional<std::string> AtspiAccessibility::text(const AccessibleElement& element) {
    auto text = textOf(element);
    if (!text) {
        return std::nullopt;
    }
    ErrorSlot countError;
    const int count = atspi_text_get_character_count(text.get(), countError.out());
    if (countError || count < 0) {
        return std::nullopt;
    }
    ErrorSlot error;
    std::unique_ptr<gchar, decltype(&g_free)> content(
        atspi_text_get_text(text.get(), 0, count, error.out()), &g_free);
    if (error || !content) {
        return std::nullopt;
    }
    return std::string(content.get());
}

bool AtspiAccessibility::replaceText(AccessibleElement& element, TextRange range,
                                     const std::string& text) {
    auto editable = editableTextOf(element);
    if (!editable || range.location < 0 || range.length < 0 ||
        range.location + range.length > G_MAXINT || text.size() > size_t(G_MAXINT)) {
        return false;
    }
    const auto start = static_cast<gint>(range.location);
    if (range.length > 0) {
        ErrorSlot error;
        const auto end = static_cast<gint>(range.location + range.length);
        if (!atspi_editable_text_delete_text(editable.get(), start, end, error.out()) || error) {
            return false;
        }
    }
    ErrorSlot error;
    return atspi_editable_text_insert_text(editable.get(), start, text.c_str(),
                                           insertionLength(objectOf(element), text), error.out()) &&
           !error;
}

} // namespace orvendi
