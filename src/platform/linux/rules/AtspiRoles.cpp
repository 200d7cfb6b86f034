#include "platform/linux/rules/AtspiRoles.h"

#include <cctype>
#include <map>

#include "platform/Accessibility.h"

namespace orvendi {
namespace {

// "push button" becomes "AXPushButton": roles without a counterpart keep their
// AT-SPI meaning in the agent's spelling.
std::string camelCaseRole(AtspiRole role) {
    gchar* name = atspi_role_get_name(role);
    std::string spelled = "AX";
    bool startOfWord = true;
    for (const char* c = name ? name : "unknown"; *c; ++c) {
        if (*c == ' ' || *c == '-' || *c == '_') {
            startOfWord = true;
            continue;
        }
        spelled +=
            startOfWord ? static_cast<char>(std::toupper(static_cast<unsigned char>(*c))) : *c;
        startOfWord = false;
    }
    g_free(name);
    return spelled;
}

} // namespace

AgentRole agentRoleOf(AtspiRole role, bool multiLine) {
    static const std::map<AtspiRole, std::string> counterparts{
        {ATSPI_ROLE_ENTRY, kRoleTextField},     {ATSPI_ROLE_COMBO_BOX, "AXComboBox"},
        {ATSPI_ROLE_CHECK_BOX, "AXCheckBox"},   {ATSPI_ROLE_RADIO_BUTTON, "AXRadioButton"},
        {ATSPI_ROLE_DOCUMENT_WEB, "AXWebArea"}, {ATSPI_ROLE_DOCUMENT_FRAME, "AXWebArea"},
        {ATSPI_ROLE_TERMINAL, "AXTextArea"},    {ATSPI_ROLE_FRAME, "AXWindow"},
        {ATSPI_ROLE_DIALOG, "AXWindow"},        {ATSPI_ROLE_WINDOW, "AXWindow"},
    };
    switch (role) {
    case ATSPI_ROLE_PASSWORD_TEXT:
        return {kRoleTextField, kSubroleSecureTextField};
    case ATSPI_ROLE_TEXT:
        return {multiLine ? "AXTextArea" : kRoleTextField, std::nullopt};
    default:
        break;
    }
    if (const auto found = counterparts.find(role); found != counterparts.end()) {
        return {found->second, std::nullopt};
    }
    return {camelCaseRole(role), std::nullopt};
}

} // namespace orvendi
