#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "Application.h"
#include "Http.h"
#include "Messages.h"
#include "RetryAfter.h"

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

std::string HttpStatusWords(const HttpRequest& request) {
    std::string words = "The server answered HTTP " + std::to_string(request.StatusCode());
    if (!request.StatusText().empty()) words.append(1, ' ').append(request.StatusText());
    return words + ".";
}

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
    MessageBoxRequest request{text,
                              style,
                              title.empty() ? App().Title : title,
                              retryAfterHint_,
                              statusHint_,
                              retryWontHelpHint_,
                              piecesHint_};
    retryAfterHint_ = -1;
    statusHint_ = 0;
    retryWontHelpHint_ = false;
    piecesHint_ = false;
    return Presenter()->Show(request);
}

void MessageUtility::ShowErrorCode(int errorCode, int style, int, const std::string& text, bool) {
    MessageBox(text + "\r\n\r\nError " + std::to_string(errorCode) + ": " + std::strerror(errorCode), style);
}

std::string MessageUtility::DescribeRequestError(const HttpRequest& request) const {
    retryAfterHint_ =
        request.ErrorKind() == hekHttpStatus ? http::RetryAfterSeconds(request.ResponseHeaders()) : -1;
    statusHint_ = request.StatusCode();
    if (retryAfterHint_ >= 0)
        return HttpStatusWords(request) + " It asks to wait " + std::to_string(retryAfterHint_) +
               " seconds before trying again.";
    const std::string detail = request.ErrorText().empty() ? "" : " (" + request.ErrorText() + ")";
    switch (request.ErrorKind()) {
        case hekNone:
            return "No error.";
        case hekBadAddress:
            return "The blog address is not a valid host name" + detail + ".";
        case hekResolve:
            return "The server's name could not be found" + detail + ".";
        case hekConnect:
            return "Could not connect to the server" + detail + ".";
        case hekTimeout:
            return "The server sent nothing for too long" + detail + ".";
        case hekSecurity:
            return "The secure connection could not be trusted or set up" + detail + ".";
        case hekTransfer:
            return "The connection broke off during the transfer" + detail + ".";
        case hekHttpStatus:
            return HttpStatusWords(request);
        case hekProxy:
            return "The proxy server could not be used" + detail + ".";
        case hekCancelled:
            return "The transfer was cancelled.";
        case hekTooLarge:
            return "The server's answer was too large" + detail + ".";
        default:
            return "The request failed" + detail + ".";
    }
}

void MessageUtility::SetPresenter(std::shared_ptr<IMessagePresenter> presenter) {
    presenter_ = std::move(presenter);
}

std::shared_ptr<IMessagePresenter> MessageUtility::Presenter() const {
    static const auto fallback = std::make_shared<StandardErrorPresenter>();
    return presenter_ ? presenter_ : fallback;
}

MessageUtility& SharedMessageUtility() {
    static MessageUtility shared;
    return shared;
}

int MsgBox(const std::string& text, int style, const std::string& title) {
    return SharedMessageUtility().MessageBox(text, style, title);
}

}  // namespace qv
