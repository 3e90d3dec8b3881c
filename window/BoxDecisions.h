// SPDX-License-Identifier: GPL-3.0-or-later
// The window's answers to a run's questions are its users' answers to boxes:
// Retry/Cancel, Abort/Retry/Ignore and OK, through the shared
// MessageUtility. Cancel never asks for pieces. Stateless.
#pragma once

#include "RunDecisions.h"

namespace qv {

class BoxDecisions : public IRunDecisions {
public:
    bool GoOnWithoutPrivatePosts() override;
    Answer PageFailed(const Status& why, int32_t start) override;
    Answer PageUnreadable(const Status& why, int32_t start) override;
    Answer DummyRequestFailed(const Status& why, int32_t start) override;
    void RunFailed(const Status& why) override;
    void SavedDespite(const Status& why) override;
    void Done(const std::string& summary, const BackupResult& result) override;
};

}  // namespace qv
