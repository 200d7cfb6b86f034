#include "platform/linux/qt/QtScreens.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include "platform/linux/qt/ScreenGeometry.h"

namespace orvendi {
namespace {

QRect primaryGeometry() {
    QScreen* primary = QGuiApplication::primaryScreen();
    return primary != nullptr ? primary->geometry() : QRect();
}

} // namespace

std::vector<Rect> QtScreens::visibleFrames() const {
    std::vector<Rect> frames;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) {
        return frames;
    }
    const QRect primaryRect = primary->geometry();
    frames.push_back(ScreenGeometry::toAgent(primary->availableGeometry(), primaryRect));
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary) {
            frames.push_back(ScreenGeometry::toAgent(screen->availableGeometry(), primaryRect));
        }
    }
    return frames;
}

std::optional<Rect> QtScreens::mainScreenVisibleFrame() const {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (QWindow* active = QGuiApplication::focusWindow(); active != nullptr && active->screen()) {
        screen = active->screen();
    }
    if (screen == nullptr) {
        return std::nullopt;
    }
    return ScreenGeometry::toAgent(screen->availableGeometry(), primaryGeometry());
}

} // namespace orvendi
