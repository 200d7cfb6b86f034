#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>
#include <optional>

#include "platform/HUDPanel.h"

class QLabel;

namespace orvendi {

// The floating status panel: a small frameless window above other windows
// that never takes the keyboard focus (so dictation keeps its target), with a
// rounded dark background, a teal symbol and a one-line label. The user drags
// it anywhere by its background; every move is reported.
class QtHUDPanel : public QWidget, public HUDPanel {
    Q_OBJECT

public:
    QtHUDPanel();
    ~QtHUDPanel() override;

    Size size() const override;
    Point origin() const override;
    void setOrigin(Point origin) override;
    void setText(const std::string& text) override;
    void setSymbol(const std::string& symbol, const std::string& accessibilityText) override;
    void setSymbolTint(Tint tint) override;
    void orderFront() override;
    void orderOut() override;
    bool isVisible() const override;
    void setMoveHandler(std::function<void()> handler) override;

    QString text() const { return text_; }
    const std::string& symbol() const { return symbol_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void layoutContent();
    void shapeForCompositing();
    void joinAllDesktops();
    void reportMove();
    void updateIcon();

    QLabel* icon_;
    QLabel* label_;
    QFont baseFont_;
    QString text_;
    std::string symbol_;
    Tint tint_ = Tint::None;
    std::function<void()> onMove_;
    std::optional<QPoint> dragOffset_;
    bool composited_ = true;
};

} // namespace orvendi
