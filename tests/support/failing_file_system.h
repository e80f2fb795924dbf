// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cerrno>
#include <initializer_list>
#include <set>

#include "firmware/file_system.h"

namespace velmora::testing {

// The real file system, for a test to change one call or two of.
class PassThroughFileSystem : public FileSystem {
  public:
    int status(const std::string& path, struct stat& st) override {
        return real().status(path, st);
    }
    int resolve(const std::string& path, std::string& target) override {
        return real().resolve(path, target);
    }
    int createUnique(std::string& pathTemplate) override {
        return real().createUnique(pathTemplate);
    }
    ssize_t write(int fd, const void* data, std::size_t n) override {
        return real().write(fd, data, n);
    }
    int changeOwner(int fd, uid_t owner, gid_t group) override {
        return real().changeOwner(fd, owner, group);
    }
    int copyAttributes(const std::string& from, int fd) override {
        return real().copyAttributes(from, fd);
    }
    int setMode(int fd, mode_t mode) override { return real().setMode(fd, mode); }
    int flush(int fd) override { return real().flush(fd); }
    int close(int fd) override { return real().close(fd); }
    int rename(const std::string& from, const std::string& to) override {
        return real().rename(from, to);
    }
    int flushFolder(const std::string& dir) override { return real().flushFolder(dir); }
    int remove(const std::string& path) override { return real().remove(path); }

  protected:
    static FileSystem& real() { return realFileSystem(); }
};

// The real file system, except that one step of chosen atomic writes fails
// with the cause a full disk or a refused folder would give.
class FailingFileSystem : public PassThroughFileSystem {
  public:
    enum class Step { Create, Write, Attributes, Flush, Rename };

    // Fails `step` of the atomic write number `write` (1 = the first).
    FailingFileSystem(Step step, int write = 1) : step_(step), failingWrites_{write} {}
    // Fails `step` of each of these atomic writes.
    FailingFileSystem(Step step, std::initializer_list<int> writes)
        : step_(step), failingWrites_(writes) {}

    int createUnique(std::string& pathTemplate) override {
        ++writes_;
        if (strikes(Step::Create)) return failWith(EACCES);
        return real().createUnique(pathTemplate);
    }
    ssize_t write(int fd, const void* data, std::size_t n) override {
        if (strikes(Step::Write)) return failWith(ENOSPC);
        return real().write(fd, data, n);
    }
    int copyAttributes(const std::string& from, int fd) override {
        if (strikes(Step::Attributes)) return failWith(ENOSPC);
        return real().copyAttributes(from, fd);
    }
    int flush(int fd) override {
        if (strikes(Step::Flush)) return failWith(EIO);
        return real().flush(fd);
    }
    int rename(const std::string& from, const std::string& to) override {
        if (strikes(Step::Rename)) return failWith(EACCES);
        return real().rename(from, to);
    }
    int flushFolder(const std::string& dir) override {
        ++folderFlushes;
        return real().flushFolder(dir);
    }

    static constexpr Step kEverySteps[] = {Step::Create, Step::Write, Step::Attributes, Step::Flush,
                                           Step::Rename};

    int folderFlushes = 0;  // how often a folder was flushed

  private:
    [[nodiscard]] bool strikes(Step step) const {
        return step == step_ && failingWrites_.count(writes_) != 0;
    }
    static int failWith(int cause) {
        errno = cause;
        return -1;
    }

    Step step_;
    std::set<int> failingWrites_;
    int writes_ = 0;
};

}  // namespace velmora::testing
