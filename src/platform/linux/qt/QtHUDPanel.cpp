#include "platform/linux/qt/QtHUDPanel.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QThread>

#include "platform/MainThreadCheck.h"
#include "platform/linux/qt/ScreenGeometry.h"
#include "platform/linux/qt/SymbolColors.h"
#include "platform/linux/qt/SymbolImages.h"
#include "platform/linux/x11/X11WindowHints.h"

namespace orvendi {
namespace {

constexpr int kWidth = 210;
constexpr int kHeight = 48;
constexpr int kCornerRadius = 16;
constexpr int kIconSize = 19;
constexpr int kIconLeading = 15;
constexpr int kLabelGap = 10;
constexpr int kLabelTrailing = 15;
constexpr int kFontPixels = 13;
constexpr int kSmallestFontPixels = 11;

// The dark material of a heads-up display: see-through where a compositor
// blends it, solid where none does.
const QColor kTranslucentBackground(24, 24, 26, 214);
const QColor kSolidBackground(38, 38, 40);
const QColor kTextColor(245, 245, 247);

QRect primaryGeometry() {
    QScreen* primary = QGuiApplication::primaryScreen();
    return primary != nullptr ? primary->geometry() : QRect();
}

} // namespace

QtHUDPanel::QtHUDPanel()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      icon_(new QLabel(this)), label_(new QLabel(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(kWidth, kHeight);
    setWindowTitle(QStringLiteral("Orvendi"));

    baseFont_ = label_->font();
    baseFont_.setPixelSize(kFontPixels);
    baseFont_.setWeight(QFont::DemiBold);
    label_->setFont(baseFont_);
    QPalette palette = label_->palette();
    palette.setColor(QPalette::WindowText, kTextColor);
    label_->setPalette(palette);
    label_->setTextFormat(Qt::PlainText);
    layoutContent();
}

QtHUDPanel::~QtHUDPanel() = default;

void QtHUDPanel::layoutContent() {
    icon_->setGeometry(kIconLeading, (kHeight - kIconSize) / 2, kIconSize, kIconSize);
    const int labelX = kIconLeading + kIconSize + kLabelGap;
    label_->setGeometry(labelX, 0, kWidth - labelX - kLabelTrailing, kHeight);
    label_->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
}

Size QtHUDPanel::size() const {
    return Size{static_cast<double>(width()), static_cast<double>(height())};
}

Point QtHUDPanel::origin() const {
    return ScreenGeometry::toAgentOrigin(pos(), QWidget::size(), primaryGeometry());
}

void QtHUDPanel::setOrigin(Point origin) {
    move(ScreenGeometry::toQtTopLeft(origin, QWidget::size(), primaryGeometry()));
    reportMove();
}

// The panel does not grow. A text that does not fit is set narrower, then
// smaller (down to a size still easy to read), and only then cut with an
// ellipsis: desktop fonts run wider than the panel's width was made for.
void QtHUDPanel::setText(const std::string& text) {
    text_ = QString::fromStdString(text);
    setAccessibleName(text_);
    const int available = label_->width();
    QFont font = baseFont_;
    for (int stretch : {int(QFont::Unstretched), int(QFont::Condensed)}) {
        for (int pixels = kFontPixels; pixels >= kSmallestFontPixels; --pixels) {
            if (stretch == QFont::Unstretched && pixels != kFontPixels) {
                break;
            }
            font.setStretch(stretch);
            font.setPixelSize(pixels);
            if (QFontMetrics(font).horizontalAdvance(text_) <= available) {
                label_->setFont(font);
                label_->setText(text_);
                return;
            }
        }
    }
    label_->setFont(font);
    label_->setText(QFontMetrics(font).elidedText(text_, Qt::ElideRight, available));
}

void QtHUDPanel::setSymbol(const std::string& symbol, const std::string& accessibilityText) {
    symbol_ = symbol;
    icon_->setAccessibleName(QString::fromStdString(accessibilityText));
    updateIcon();
}

void QtHUDPanel::setSymbolTint(Tint tint) {
    tint_ = tint;
    updateIcon();
}

// Without a tint the symbol is drawn like the label. An unknown symbol shows
// nothing.
void QtHUDPanel::updateIcon() {
    const QColor color = tint_ == Tint::None ? kTextColor : SymbolColors::color(tint_);
    icon_->setPixmap(SymbolImages::pixmap(symbol_, color, kIconSize, devicePixelRatioF()));
}

void QtHUDPanel::orderFront() {
    ORVENDI_ASSERT_ON_MAIN_THREAD(QThread::currentThread() == thread());
    if (!testAttribute(Qt::WA_WState_Created)) {
        winId();
        joinAllDesktops();
    }
    shapeForCompositing();
    show();
    raise();
}

void QtHUDPanel::orderOut() {
    ORVENDI_ASSERT_ON_MAIN_THREAD(QThread::currentThread() == thread());
    hide();
}

bool QtHUDPanel::isVisible() const {
    return QWidget::isVisible();
}

void QtHUDPanel::setMoveHandler(std::function<void()> handler) {
    onMove_ = std::move(handler);
}

// Only the agent's placements and the user's drags are moves: the window
// manager's notices while it maps the panel pass through other positions
// (0, 0 first) that must not be remembered.
void QtHUDPanel::reportMove() {
    if (onMove_) {
        onMove_();
    }
}

// Without a compositor the transparent corners would show black: cut the
// window to its rounded shape instead.
void QtHUDPanel::shapeForCompositing() {
    composited_ = X11WindowHints::hasCompositor();
    if (composited_) {
        clearMask();
        return;
    }
    QPainterPath path;
    path.addRoundedRect(rect(), kCornerRadius, kCornerRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void QtHUDPanel::joinAllDesktops() {
    X11WindowHints::setOnAllDesktops(winId());
}

void QtHUDPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(composited_ ? kTranslucentBackground : kSolidBackground);
    painter.drawRoundedRect(rect(), kCornerRadius, kCornerRadius);
}

void QtHUDPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragOffset_ = event->globalPosition().toPoint() - pos();
    }
}

void QtHUDPanel::mouseMoveEvent(QMouseEvent* event) {
    if (dragOffset_ && (event->buttons() & Qt::LeftButton)) {
        const QPoint target = event->globalPosition().toPoint() - *dragOffset_;
        if (target != pos()) {
            move(target);
            reportMove();
        }
    }
}

void QtHUDPanel::mouseReleaseEvent(QMouseEvent*) {
    dragOffset_.reset();
}

} // namespace orvendi
