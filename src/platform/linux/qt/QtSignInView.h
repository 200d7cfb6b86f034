#pragma once

#include <QWidget>
#include <functional>

#include "platform/SignInView.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace orvendi {

// The sign-in window: brand, headline, a message line, the e-mail and code
// fields, one button (also pressed by Return) and the footnote, in one column;
// the agent gives every text.
// Fixed at 480 by 430, centred on the screen when first shown. Closing the
// window only hides it; its owner decides when it goes.
class QtSignInView : public QWidget, public SignInView {
    Q_OBJECT

public:
    QtSignInView();
    ~QtSignInView() override;

    void setTexts(const SignInTexts& texts) override;
    std::string emailText() const override;
    std::string codeText() const override;
    void setMessage(const std::string& text, TextColor color) override;
    void setEmailEnabled(bool enabled) override;
    void setCodeVisible(bool visible) override;
    void focusCode() override;
    void setPrimaryTitle(const std::string& title) override;
    void setPrimaryEnabled(bool enabled) override;
    void setSubmitHandler(std::function<void()> handler) override;
    void show() override;
    void close() override;

    QLineEdit& emailField() const { return *email_; }
    QLineEdit& codeField() const { return *code_; }
    QLabel& messageLabel() const { return *message_; }
    QPushButton& primaryButton() const { return *primary_; }

private:
    void buildContent();
    void pressPrimary();
    void centreOnScreen();
    void centreOnceFramed(int triesLeft);

    QLabel* brand_;
    QLabel* headline_;
    QLabel* footnote_;
    QLineEdit* email_;
    QLineEdit* code_;
    QLabel* message_;
    QPushButton* primary_;
    std::function<void()> onSubmit_;
    bool placed_ = false;
};

} // namespace orvendi
