#include "ui/ScreenAwareHUD.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

#include "platform/Defaults.h"
#include "platform/MainThreadCheck.h"
#include "platform/Scheduler.h"
#include "platform/Windows.h"

namespace orvendi {

namespace {

// The textual point form the remembered origin is kept in: "{x, y}".
std::string formatPoint(Point point) {
    auto appendNumber = [](std::string& text, double value) {
        char buffer[32];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        text.append(buffer, result.ptr);
    };
    std::string text = "{";
    appendNumber(text, point.x);
    text += ", ";
    appendNumber(text, point.y);
    text += "}";
    return text;
}

class PointParser {
public:
    explicit PointParser(std::string_view text) : rest_(text) {}

    std::optional<Point> parse() {
        Point point;
        if (expect('{') && number(point.x) && expect(',') && number(point.y) && expect('}')) {
            skipBlanks();
            if (rest_.empty()) {
                return point;
            }
        }
        return std::nullopt;
    }

private:
    void skipBlanks() {
        while (!rest_.empty() && (rest_.front() == ' ' || rest_.front() == '\t')) {
            rest_.remove_prefix(1);
        }
    }
    bool expect(char c) {
        skipBlanks();
        if (rest_.empty() || rest_.front() != c) {
            return false;
        }
        rest_.remove_prefix(1);
        return true;
    }
    bool number(double& value) {
        skipBlanks();
        auto result = std::from_chars(rest_.data(), rest_.data() + rest_.size(), value);
        if (result.ec != std::errc() || !std::isfinite(value)) {
            return false;
        }
        rest_.remove_prefix(static_cast<size_t>(result.ptr - rest_.data()));
        return true;
    }

    std::string_view rest_;
};

// A stored text that is not a point counts as the point 0, 0, which the
// clamping then brings onto a screen.
Point parsePoint(const std::string& text) {
    return PointParser(text).parse().value_or(Point{});
}

double intersectionArea(const Rect& a, const Rect& b) {
    const double width = std::min(a.right(), b.right()) - std::max(a.left(), b.left());
    const double height = std::min(a.top(), b.top()) - std::max(a.bottom(), b.bottom());
    return width > 0 && height > 0 ? width * height : 0;
}

} // namespace

ScreenAwareHUD::ScreenAwareHUD(Windows& windows, Defaults& defaults, Scheduler& scheduler)
    : screens_(windows.screens()), defaults_(defaults), scheduler_(scheduler),
      panel_(windows.createHUDPanel()), self_(std::make_shared<ScreenAwareHUD*>(this)) {
    panel_->setSymbolTint(Tint::SystemTeal);
    std::weak_ptr<ScreenAwareHUD*> weakSelf = self_;
    panel_->setMoveHandler([weakSelf] {
        if (auto self = weakSelf.lock()) {
            (*self)->panelDidMove();
        }
    });
}

ScreenAwareHUD::~ScreenAwareHUD() {
    panel_->setMoveHandler(nullptr);
}

void ScreenAwareHUD::show(const std::string& text, const std::string& symbol) {
    ORVENDI_ASSERT_MAIN_THREAD(scheduler_);
    ++shownMessages_;
    panel_->setText(text);
    panel_->setSymbol(symbol, text);
    panel_->setOrigin(resolvedOrigin());
    panel_->orderFront();
}

void ScreenAwareHUD::hide(double seconds) {
    ORVENDI_ASSERT_MAIN_THREAD(scheduler_);
    std::weak_ptr<ScreenAwareHUD*> weakSelf = self_;
    scheduler_.mainAfter(seconds, [weakSelf, message = shownMessages_] {
        auto self = weakSelf.lock();
        if (self && (*self)->shownMessages_ == message) {
            (*self)->panel_->orderOut();
        }
    });
}

void ScreenAwareHUD::show(const HUDMessage& message) {
    show(std::string(message.text), std::string(message.symbol));
    if (message.hideAfter) {
        hide(*message.hideAfter);
    }
}

void ScreenAwareHUD::showTranscribed(const HUDMessage& state, double seconds) {
    show(std::string(state.text) + transcribedMark(seconds), std::string(state.symbol));
}

Point ScreenAwareHUD::resolvedOrigin() const {
    const auto stored = defaults_.string(kPositionKey);
    return constrained(stored ? parsePoint(*stored) : defaultOrigin());
}

Point ScreenAwareHUD::defaultOrigin() const {
    const auto frames = screens_.visibleFrames();
    const Rect frame =
        !frames.empty() ? frames.front() : screens_.mainScreenVisibleFrame().value_or(Rect{});
    const Size size = panel_->size();
    return {frame.right() - size.width - kDefaultInsetRight,
            frame.top() - size.height - kDefaultInsetTop};
}

Point ScreenAwareHUD::constrained(Point origin) const {
    const Size size = panel_->size();
    const Rect panelRect{origin, size};
    std::optional<Rect> frame;
    const auto frames = screens_.visibleFrames();
    if (!frames.empty()) {
        frame = frames.front();
        double bestArea = intersectionArea(frames.front(), panelRect);
        for (const Rect& candidate : frames) {
            const double area = intersectionArea(candidate, panelRect);
            if (area > bestArea) {
                bestArea = area;
                frame = candidate;
            }
        }
    } else {
        frame = screens_.mainScreenVisibleFrame();
    }
    if (!frame || frame->isEmpty()) {
        return origin;
    }
    // Lower bound first: a panel larger than the frame ends flush with its
    // right and top edges.
    return {std::min(std::max(origin.x, frame->left()), frame->right() - size.width),
            std::min(std::max(origin.y, frame->bottom()), frame->top() - size.height)};
}

void ScreenAwareHUD::panelDidMove() {
    if (panel_->isVisible()) {
        defaults_.setString(kPositionKey, formatPoint(panel_->origin()));
    }
}

} // namespace orvendi
