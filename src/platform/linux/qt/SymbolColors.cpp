#include "platform/linux/qt/SymbolColors.h"

#include <QGuiApplication>
#include <QPalette>

namespace orvendi::SymbolColors {

QColor color(Tint tint) {
    switch (tint) {
    case Tint::SystemRed:
        return systemRed();
    case Tint::SystemTeal:
        return systemTeal();
    case Tint::None:
        break;
    }
    return panelText();
}

QColor panelText() {
    return QGuiApplication::palette().color(QPalette::WindowText);
}

} // namespace orvendi::SymbolColors
