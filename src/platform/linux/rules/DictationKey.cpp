#include "platform/linux/rules/DictationKey.h"

#include <X11/keysym.h>

#include <map>

namespace orvendi {

DictationKey::DictationKey(const std::optional<std::string>& configuredName,
                           const KeysymNames& names)
    : keysym_(XK_Control_R) {
    if (configuredName && !configuredName->empty()) {
        const KeySym named = names.keysymOf(*configuredName);
        if (named != NoSymbol) {
            keysym_ = named;
        }
    }
    readableName_ = readableNameOf(keysym_, names);
}

std::vector<KeySym> DictationKey::controlKeysyms() const {
    std::vector<KeySym> controls;
    for (KeySym control : {XK_Control_L, XK_Control_R}) {
        if (control != keysym_) {
            controls.push_back(control);
        }
    }
    return controls;
}

std::string DictationKey::readableNameOf(KeySym keysym, const KeysymNames& names) {
    static const std::map<KeySym, std::string> readable{
        {XK_Control_R, "Right Ctrl"},
        {XK_Control_L, "Left Ctrl"},
        {XK_Alt_R, "Right Alt"},
        {XK_Alt_L, "Left Alt"},
        {XK_Shift_R, "Right Shift"},
        {XK_Shift_L, "Left Shift"},
        {XK_Super_R, "Right Super"},
        {XK_Super_L, "Left Super"},
        {XK_ISO_Level3_Shift, "AltGr"},
        {XK_Menu, "Menu"},
        {XK_Caps_Lock, "Caps Lock"},
        {XK_Scroll_Lock, "Scroll Lock"},
        {XK_Pause, "Pause"},
        {XK_Print, "Print"},
        {XK_Insert, "Insert"},
    };
    if (const auto found = readable.find(keysym); found != readable.end()) {
        return found->second;
    }
    const std::string name = names.nameOf(keysym);
    return name.empty() ? "dictation" : name;
}

} // namespace orvendi
