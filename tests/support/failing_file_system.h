// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cerrno>

#include "firmware/file_system.h"

namespace velmora::testing {

// The real file system, except that one step of one atomic write fails with
// the cause a full disk or a refused folder would give.
class FailingFileSystem : public FileSystem {
  public:
    enum class Step { Create, Write, Flush, Rename };

    // Fails `step` of the atomic write number `write` (1 = the first).
    FailingFileSystem(Step step, int write = 1) : step_(step), failingWrite_(write) {}

    int createUnique(std::string& pathTemplate) override {
        ++writes_;
        if (strikes(Step::Create)) return failWith(EACCES);
        return real().createUnique(pathTemplate);
    }
    ssize_t write(int fd, const void* data, std::size_t n) override {
        if (strikes(Step::Write)) return failWith(ENOSPC);
        return real().write(fd, data, n);
    }
    int setMode(int fd, mode_t mode) override { return real().setMode(fd, mode); }
    int flush(int fd) override {
        if (strikes(Step::Flush)) return failWith(EIO);
        return real().flush(fd);
    }
    int close(int fd) override { return real().close(fd); }
    int rename(const std::string& from, const std::string& to) override {
        if (strikes(Step::Rename)) return failWith(EACCES);
        return real().rename(from, to);
    }
    int remove(const std::string& path) override { return real().remove(path); }

    static constexpr Step kEverySteps[] = {Step::Create, Step::Write, Step::Flush, Step::Rename};

  private:
    static FileSystem& real() { return realFileSystem(); }
    [[nodiscard]] bool strikes(Step step) const {
        return step == step_ && writes_ == failingWrite_;
    }
    static int failWith(int cause) {
        errno = cause;
        return -1;
    }

    Step step_;
    int failingWrite_;
    int writes_ = 0;
};

}  // namespace velmora::testing
