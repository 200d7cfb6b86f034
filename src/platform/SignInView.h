#pragma once

#include <functional>
#include <string>

namespace orvendi {

// How a message of the sign-in window is coloured.
enum class TextColor { Secondary, Tertiary, Red };

// The fixed texts of the sign-in window, chosen by the agent.
struct SignInTexts {
    std::string windowTitle;
    std::string brand;
    std::string headline;
    std::string emailPlaceholder;
    std::string codePlaceholder;
    std::string footnote;
};

// The sign-in window's controls.
class SignInView {
public:
    virtual ~SignInView() = default;
    virtual void setTexts(const SignInTexts& texts) = 0;
    virtual std::string emailText() const = 0;
    virtual std::string codeText() const = 0;
    virtual void setMessage(const std::string& text, TextColor color) = 0;
    virtual void setEmailEnabled(bool enabled) = 0;
    virtual void setCodeVisible(bool visible) = 0;
    virtual void focusCode() = 0;
    virtual void setPrimaryTitle(const std::string& title) = 0;
    virtual void setPrimaryEnabled(bool enabled) = 0;
    // The primary button was pressed (or Return typed).
    virtual void setSubmitHandler(std::function<void()> handler) = 0;
    virtual void show() = 0;
    virtual void close() = 0;
};

} // namespace orvendi
