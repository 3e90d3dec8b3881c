// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes and the shared helpers that build and show them.
#pragma once

#include <memory>
#include <string>

namespace qv {

class HttpRequest;

// Message box styles: buttons + icon, added together.
enum MsgStyle {
    mbOKOnly = 0,
    mbOKCancel = 1,
    mbAbortRetryIgnore = 2,
    mbYesNoCancel = 3,
    mbYesNo = 4,
    mbRetryCancel = 5,
    mbCritical = 16,
    mbQuestion = 32,
    mbExclamation = 48,
    mbInformation = 64,
};

// The button the user pressed.
enum MsgAnswer { mrOK = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };

// What the user is shown. `title` is already resolved (never empty).
struct MessageBoxRequest {
    std::string Text;
    int Style = 0;
    std::string Title;
};

// The one way a message reaches the user: the window shows real dialogs, the
// command line prints, tests record and answer from a script.
class IMessagePresenter {
public:
    virtual ~IMessagePresenter() = default;
    virtual int Show(const MessageBoxRequest& request) = 0;
};

// The answer a silent presenter gives: the choice that goes no further.
int CautiousAnswer(int style);

class MessageUtility {
public:
    // Shows `text`; an empty title means the application's title. The last three
    // values (position and flags) are accepted for the callers' sake and unused.
    int MessageBox(const std::string& text, int style, const std::string& title = "", int x = -1, int y = -1,
                   int flags = 15);
    // Shows `text` followed by the system's description of `errorCode`.
    void ShowErrorCode(int errorCode, int style, int reserved, const std::string& text, bool flag);
    // Plain words for what went wrong with the request's last Send.
    std::string DescribeRequestError(const HttpRequest& request) const;

    void SetPresenter(std::shared_ptr<IMessagePresenter> presenter);
    std::shared_ptr<IMessagePresenter> Presenter() const;

private:
    std::shared_ptr<IMessagePresenter> presenter_;
};

// `text`, then the system's description of `errorCode` as ShowErrorCode shows it.
std::string WithErrorCode(const std::string& text, int errorCode);

// The program's one MessageUtility, made on first use.
MessageUtility& SharedMessageUtility();

// A plain message box through the shared presenter; an empty title means the
// application's title.
int MsgBox(const std::string& text, int style, const std::string& title = "");

}  // namespace qv
