#pragma once

#include <QColor>

#include "platform/StatusItem.h"

namespace orvendi::SymbolColors {

// The system's red, used for the recording dot.
inline QColor systemRed() {
    return QColor(0xff, 0x3b, 0x30);
}

// The system's teal, the HUD's icon colour (on its dark background).
inline QColor systemTeal() {
    return QColor(0x40, 0xc8, 0xe0);
}

// The colour of a tint; Tint::None gives the panel's text colour.
QColor color(Tint tint);

// The colour of text on the desktop's panels: the application palette's
// window text, which follows the desktop theme.
QColor panelText();

} // namespace orvendi::SymbolColors
