// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "Application.h"
#include "Messages.h"

namespace qv {

namespace {

// Used until a front end installs its own: says the message on standard error
// and takes the answer that goes no further.
class StandardErrorPresenter : public IMessagePresenter {
public:
    int Show(const MessageBoxRequest& request) override {
        std::string text = request.Text;
        for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
            text.erase(at, 1);
        std::cerr << request.Title << ": " << text << '\n';
        return CautiousAnswer(request.Style);
    }
};

}  // namespace

int CautiousAnswer(int style) {
    switch (style & 0x0F) {
        case mbOKCancel:
            return mrCancel;
        case mbAbortRetryIgnore:
            return mrAbort;
        case mbYesNoCancel:
            return mrCancel;
        case mbYesNo:
            return mrNo;
        case mbRetryCancel:
            return mrCancel;
        default:
            return mrOK;
    }
}

int MessageUtility::MessageBox(const std::string& text, int style, const std::string& title, int, int, int) {
    return Presenter()->Show(MessageBoxRequest{text, style, title.empty() ? App().Title : title});
}

void MessageUtility::ShowErrorCode(int errorCode, int style, int, const std::string& text, bool) {
    MessageBox(WithErrorCode(text, errorCode), style);
}

void MessageUtility::SetPresenter(std::shared_ptr<IMessagePresenter> presenter) {
    presenter_ = std::move(presenter);
}

std::shared_ptr<IMessagePresenter> MessageUtility::Presenter() const {
    static const auto fallback = std::make_shared<StandardErrorPresenter>();
    return presenter_ ? presenter_ : fallback;
}

std::string WithErrorCode(const std::string& text, int errorCode) {
    return text + "\r\n\r\nError " + std::to_string(errorCode) + ": " + std::strerror(errorCode);
}

MessageUtility& SharedMessageUtility() {
    static MessageUtility shared;
    return shared;
}

int MsgBox(const std::string& text, int style, const std::string& title) {
    return SharedMessageUtility().MessageBox(text, style, title);
}

}  // namespace qv
