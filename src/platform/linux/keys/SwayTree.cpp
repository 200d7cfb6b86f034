#include "platform/linux/keys/SwayTree.h"

#include <nlohmann/json.hpp>

namespace orvendi::sway_ipc {
namespace {

using nlohmann::json;

const json* findFocused(const json& node) {
    if (node.value("focused", false)) {
        return &node;
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        const auto list = node.find(children);
        if (list == node.end() || !list->is_array()) {
            continue;
        }
        for (const auto& child : *list) {
            if (const json* found = child.is_object() ? findFocused(child) : nullptr) {
                return found;
            }
        }
    }
    return nullptr;
}

void addName(std::vector<std::string>& names, const json& object, const char* key) {
    const auto value = object.find(key);
    if (value != object.end() && value->is_string() && !value->get<std::string>().empty()) {
        names.push_back(value->get<std::string>());
    }
}

} // namespace

std::optional<FocusedWindow> focusedWindow(const std::string& tree) {
    const auto root = json::parse(tree, nullptr, false);
    const json* node = root.is_object() ? findFocused(root) : nullptr;
    if (node == nullptr) {
        return std::nullopt;
    }
    const auto pid = node->find("pid");
    if (pid == node->end() || !pid->is_number_integer() || pid->get<int64_t>() <= 0) {
        return std::nullopt;
    }
    FocusedWindow window;
    window.processId = pid->get<int32_t>();
    window.xwayland = node->value("shell", "") == "xwayland";
    addName(window.classNames, *node, "app_id");
    const auto properties = node->find("window_properties");
    if (properties != node->end() && properties->is_object()) {
        addName(window.classNames, *properties, "class");
        addName(window.classNames, *properties, "instance");
    }
    return window;
}

std::string focusCommand(int32_t processId) {
    return "[pid=" + std::to_string(processId) + "] focus";
}

} // namespace orvendi::sway_ipc
