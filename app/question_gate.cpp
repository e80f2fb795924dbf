// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/question_gate.h"

namespace velmora {

bool QuestionGate::tryOpenQuestion() {
    const std::lock_guard lock(mutex_);
    if (writing_) return false;
    ++openQuestions_;
    return true;
}

void QuestionGate::closeQuestion() {
    {
        const std::lock_guard lock(mutex_);
        if (openQuestions_ > 0) --openQuestions_;
    }
    answered_.notify_all();
}

void QuestionGate::waitForNoQuestion() {
    std::unique_lock lock(mutex_);
    ++waiting_;
    answered_.wait(lock, [this] { return openQuestions_ == 0; });
    --waiting_;
}

void QuestionGate::beginWriting() {
    std::unique_lock lock(mutex_);
    ++waiting_;
    answered_.wait(lock, [this] { return openQuestions_ == 0; });
    --waiting_;
    writing_ = true;
}

void QuestionGate::endWriting() {
    const std::lock_guard lock(mutex_);
    writing_ = false;
}

bool QuestionGate::workWaits() const {
    const std::lock_guard lock(mutex_);
    return waiting_ > 0 && openQuestions_ > 0;
}

}  // namespace velmora
