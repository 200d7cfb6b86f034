#include "platform/linux/desktop/SymbolColors.h"

#include <QGuiApplication>
#include <QPalette>

namespace orvendi::SymbolColors {

QColor panelText() { return QGuiApplication::palette().color(QPalette::WindowText); }

} // namespace orvendi::SymbolColors
