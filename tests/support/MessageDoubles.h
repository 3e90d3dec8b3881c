// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes that answer from a script and keep what they showed.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Messages.h"

namespace qv::test {

class ScriptedMessages : public IMessagePresenter {
public:
    // Answers given in order; past the script, the cautious answer.
    void QueueAnswer(int answer) { answers_.push_back(answer); }
    void QueueAnswers(std::initializer_list<int> answers) { answers_.insert(answers_.end(), answers); }

    int Show(const MessageBoxRequest& request) override {
        shown_.push_back(request);
        if (onShow) onShow(request);
        if (answers_.empty()) return CautiousAnswer(request.Style);
        const int answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    const std::vector<MessageBoxRequest>& Shown() const { return shown_; }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& each : shown_) texts.push_back(each.Text);
        return texts;
    }
    std::size_t UnusedAnswers() const { return answers_.size(); }

    std::function<void(const MessageBoxRequest&)> onShow;

private:
    std::deque<int> answers_;
    std::vector<MessageBoxRequest> shown_;
};

// Installs a scripted presenter on the shared MessageUtility for one scope.
class ScopedMessages {
public:
    ScopedMessages() : messages_(std::make_shared<ScriptedMessages>()) {
        previous_ = SharedMessageUtility().Presenter();
        SharedMessageUtility().SetPresenter(messages_);
    }
    ~ScopedMessages() { SharedMessageUtility().SetPresenter(previous_); }
    ScriptedMessages* operator->() { return messages_.get(); }
    ScriptedMessages& operator*() { return *messages_; }

private:
    std::shared_ptr<ScriptedMessages> messages_;
    std::shared_ptr<IMessagePresenter> previous_;
};

}  // namespace qv::test
