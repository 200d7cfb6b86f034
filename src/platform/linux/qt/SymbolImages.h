#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <string>

namespace orvendi::SymbolImages {

// The agent's own drawings of the symbols it names ("waveform", "hourglass",
// ...), compiled in as resources. Each is drawn in one colour.
bool contains(const std::string& name);

// The symbol at `size` logical pixels for a screen of `devicePixelRatio`;
// a null pixmap when there is no symbol of that name.
QPixmap pixmap(const std::string& name, const QColor& color, int size, qreal devicePixelRatio = 1);

// The symbol at the sizes panels and windows ask for; a null icon when there
// is no symbol of that name.
QIcon icon(const std::string& name, const QColor& color);

} // namespace orvendi::SymbolImages
