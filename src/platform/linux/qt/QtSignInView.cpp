#include "platform/linux/qt/QtSignInView.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/MainThreadCheck.h"
#include "platform/linux/qt/SymbolColors.h"

namespace orvendi {
namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 430;
constexpr int kSideMargin = 42;
constexpr int kTopMargin = 62;
constexpr int kBottomMargin = 35;
constexpr int kSpacing = 15;
constexpr int kFieldHeight = 38;
constexpr int kButtonHeight = 40;
// How long to wait for the window manager's frame before the first centring
// is corrected: up to 40 x 25 ms.
constexpr int kFrameWaitTries = 40;
constexpr int kFrameWaitMs = 25;

// Sizes are given in the same logical pixels as the window.
QFont systemFont(int pixels, QFont::Weight weight = QFont::Normal) {
    QFont font = QGuiApplication::font();
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QLabel* wrappingLabel(const QString& text, const QFont& font, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// Secondary and tertiary text are the window text at lower contrast, so they
// follow a dark theme too.
QColor textColor(TextColor color, const QPalette& palette) {
    QColor text = palette.color(QPalette::WindowText);
    switch (color) {
    case TextColor::Secondary:
        text.setAlphaF(0.62f);
        return text;
    case TextColor::Tertiary:
        text.setAlphaF(0.42f);
        return text;
    case TextColor::Red:
        return SymbolColors::systemRed();
    }
    return text;
}

void setLabelColor(QLabel& label, TextColor color) {
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, textColor(color, QGuiApplication::palette()));
    label.setPalette(palette);
}

// A rounded field as tall as the layout asks.
QLineEdit* roundedField(const QFont& font, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setFont(font);
    field->setFixedHeight(kFieldHeight);
    field->setStyleSheet(
        QStringLiteral("QLineEdit { border: 1px solid palette(mid); border-radius: 8px;"
                       " padding: 0 10px; background: palette(base); }"
                       "QLineEdit:focus { border: 2px solid palette(highlight); }"
                       "QLineEdit:disabled { color: palette(mid); }"));
    return field;
}

} // namespace

QtSignInView::QtSignInView()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      brand_(nullptr), headline_(nullptr), footnote_(nullptr), email_(nullptr), code_(nullptr),
      message_(nullptr), primary_(nullptr) {
    setFixedSize(kWidth, kHeight);
    buildContent();
}

QtSignInView::~QtSignInView() = default;

void QtSignInView::buildContent() {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(kSideMargin, kTopMargin, kSideMargin, kBottomMargin);
    stack->setSpacing(kSpacing);
    stack->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    brand_ = wrappingLabel({}, systemFont(13, QFont::DemiBold), this);
    brand_->setWordWrap(false);
    headline_ = wrappingLabel({}, systemFont(30, QFont::DemiBold), this);
    message_ = wrappingLabel({}, systemFont(12), this);
    setLabelColor(*message_, TextColor::Secondary);

    email_ = roundedField(systemFont(14), this);
    // Digits of equal width keep a code from jumping while it is typed.
    QFont codeFont = systemFont(18, QFont::Medium);
    codeFont.setStyleHint(QFont::Monospace, QFont::PreferDefault);
    code_ = roundedField(codeFont, this);
    code_->setVisible(false);

    primary_ = new QPushButton(this);
    primary_->setFixedHeight(kButtonHeight);
    primary_->setDefault(true);
    connect(primary_, &QPushButton::clicked, this, [this] {
        if (onSubmit_) {
            onSubmit_();
        }
    });

    footnote_ = wrappingLabel({}, systemFont(10), this);
    setLabelColor(*footnote_, TextColor::Tertiary);

    for (QLabel* label : {brand_, headline_, message_}) {
        stack->addWidget(label);
    }
    for (QWidget* fullWidth : {static_cast<QWidget*>(email_), static_cast<QWidget*>(code_),
                               static_cast<QWidget*>(primary_)}) {
        fullWidth->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        stack->addWidget(fullWidth);
    }
    stack->addWidget(footnote_);
    stack->addStretch(1);

    // Return presses the button wherever the focus is in the window, and only
    // while the button is enabled (a request is not sent twice).
    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &QtSignInView::pressPrimary);
    }
}

void QtSignInView::pressPrimary() {
    if (primary_->isEnabled() && primary_->isVisible()) {
        primary_->click();
    }
}

void QtSignInView::setTexts(const SignInTexts& texts) {
    setWindowTitle(QString::fromStdString(texts.windowTitle));
    brand_->setText(QString::fromStdString(texts.brand));
    headline_->setText(QString::fromStdString(texts.headline));
    email_->setPlaceholderText(QString::fromStdString(texts.emailPlaceholder));
    code_->setPlaceholderText(QString::fromStdString(texts.codePlaceholder));
    footnote_->setText(QString::fromStdString(texts.footnote));
}

std::string QtSignInView::emailText() const {
    return email_->text().toStdString();
}

std::string QtSignInView::codeText() const {
    return code_->text().toStdString();
}

void QtSignInView::setMessage(const std::string& text, TextColor color) {
    message_->setText(QString::fromStdString(text));
    setLabelColor(*message_, color);
}

void QtSignInView::setEmailEnabled(bool enabled) {
    email_->setEnabled(enabled);
}

void QtSignInView::setCodeVisible(bool visible) {
    code_->setVisible(visible);
}

void QtSignInView::focusCode() {
    code_->setFocus(Qt::OtherFocusReason);
}

void QtSignInView::setPrimaryTitle(const std::string& title) {
    primary_->setText(QString::fromStdString(title).replace('&', QStringLiteral("&&")));
}

void QtSignInView::setPrimaryEnabled(bool enabled) {
    primary_->setEnabled(enabled);
}

void QtSignInView::setSubmitHandler(std::function<void()> handler) {
    onSubmit_ = std::move(handler);
}

// Centres the window with its frame; the frame the window manager adds is
// known only once the window is shown, so the first placement is corrected
// as soon as it is.
void QtSignInView::centreOnScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void QtSignInView::centreOnceFramed(int triesLeft) {
    if (!QWidget::isVisible()) {
        return;
    }
    if (frameGeometry() != geometry()) {
        centreOnScreen();
    } else if (triesLeft > 0) {
        QTimer::singleShot(kFrameWaitMs, this,
                           [this, triesLeft] { centreOnceFramed(triesLeft - 1); });
    }
}

void QtSignInView::show() {
    ORVENDI_ASSERT_ON_MAIN_THREAD(QThread::currentThread() == thread());
    const bool firstShow = !placed_;
    if (firstShow) {
        centreOnScreen();
        placed_ = true;
    }
    QWidget::show();
    raise();
    activateWindow();
    if (firstShow) {
        centreOnceFramed(kFrameWaitTries);
    }
}

void QtSignInView::close() {
    ORVENDI_ASSERT_ON_MAIN_THREAD(QThread::currentThread() == thread());
    hide();
}

} // namespace orvendi
