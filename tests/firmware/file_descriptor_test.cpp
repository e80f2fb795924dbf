// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/file_descriptor.h"

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "firmware/file_io.h"
#include "firmware/io_error.h"
#include "firmware/streamed_file_writer.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::TempDir;

std::vector<std::uint8_t> pattern(std::size_t n) {
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + i / 256);
    return bytes;
}

// Takes at most `most` bytes a call and is interrupted before every other
// call; from call number `zeroFrom` on it takes nothing at all.
class StingyWrites : public testing::PassThroughFileSystem {
  public:
    explicit StingyWrites(std::size_t most, int zeroFrom = -1) : most_(most), zeroFrom_(zeroFrom) {}
    ssize_t write(int fd, const void* data, std::size_t n) override {
        ++calls;
        if (zeroFrom_ > 0 && calls >= zeroFrom_) return 0;
        if (calls % 2 == 1) {
            errno = EINTR;
            return -1;
        }
        return real().write(fd, data, std::min(n, most_));
    }
    int calls = 0;

  private:
    std::size_t most_;
    int zeroFrom_;
};

TEST(WriteAll, ShortAndInterruptedWritesGoOnWhereTheyStopped) {
    TempDir dir;
    const auto path = dir.write("fw.bin", {9, 9});
    const auto next = pattern(1000);
    StingyWrites stingy(7);
    writeFileAtomically(path, next, stingy);
    EXPECT_EQ(testing::readFile(path), next);
    EXPECT_GT(stingy.calls, 2 * 142);

    StingyWrites streamed(3);
    {
        StreamedFileWriter file(dir.file("copy.bin"), streamed);
        file.append(std::span(next).first(10));
        file.append(std::span(next).subspan(10));
        file.commit();
    }
    EXPECT_EQ(testing::readFile(dir.file("copy.bin")), next);
}

TEST(WriteAll, AWriteThatTakesNothingIsAFailureNotAnEndlessLoop) {
    TempDir dir;
    const auto path = dir.write("fw.bin", {9, 9});
    StingyWrites stuck(5, 4);  // 5 bytes, then nothing
    try {
        writeFileAtomically(path, pattern(100), stuck);
        FAIL() << "the write was taken as done";
    } catch (const IoError& e) {
        EXPECT_STREQ(e.what(), "Cannot write fw.bin: Input/output error");
    }
    EXPECT_EQ(stuck.calls, 4);
    EXPECT_EQ(testing::readFile(path), (std::vector<std::uint8_t>{9, 9}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(WriteAll, NothingToWriteWritesNothing) {
    StingyWrites never(1, 1);
    errno = 0;
    EXPECT_TRUE(writeAll(-1, {}, never));
    EXPECT_EQ(never.calls, 0);
}

// Counts how the real writes ended.
class CountedWrites : public testing::PassThroughFileSystem {
  public:
    ssize_t write(int fd, const void* data, std::size_t n) override {
        const ssize_t done = real().write(fd, data, n);
        if (done < 0 && errno == EINTR) ++interrupted;
        if (done >= 0 && static_cast<std::size_t>(done) < n) ++cutShort;
        return done;
    }
    std::atomic<int> interrupted = 0;
    std::atomic<int> cutShort = 0;
};

// A blocked write into a full pipe is broken off by every signal (no
// SA_RESTART): it returns what it wrote so far, or EINTR.
TEST(WriteAll, SignalsDuringABlockedWriteLoseNoByte) {
    struct sigaction quiet {};
    quiet.sa_handler = [](int) {};
    sigemptyset(&quiet.sa_mask);
    struct sigaction before {};
    ASSERT_EQ(::sigaction(SIGUSR1, &quiet, &before), 0);
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const auto bytes = pattern(1 << 20);
    std::vector<std::uint8_t> received;
    std::thread reader([&] {
        std::uint8_t piece[4096];
        for (;;) {
            const ssize_t n = ::read(ends[0], piece, sizeof piece);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            received.insert(received.end(), piece, piece + n);
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    });
    std::atomic<bool> writing = true;
    const pthread_t writer = ::pthread_self();
    std::thread pester([&] {
        while (writing) {
            ::pthread_kill(writer, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
    CountedWrites counted;
    const bool written = writeAll(ends[1], bytes, counted);
    writing = false;
    pester.join();
    ::close(ends[1]);
    reader.join();
    ::close(ends[0]);
    ::sigaction(SIGUSR1, &before, nullptr);
    EXPECT_TRUE(written);
    EXPECT_EQ(received, bytes);
    EXPECT_GT(counted.interrupted + counted.cutShort, 0) << "no write was broken off";
}

TEST(OpenRegularFile, AFifoIsRefusedWithoutWaitingForAWriter) {
    TempDir dir;
    const auto fifo = dir.file("pipe.bin");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    try {
        (void)readImageFile(fifo);
        FAIL();
    } catch (const IoError& e) {
        EXPECT_STREQ(e.what(), "Cannot open pipe.bin: not a file");
    }
}

TEST(OpenRegularFile, AFolderOrAMissingFileIsRefusedByName) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("photos"));
    try {
        (void)openRegularFile(dir.file("photos"));
        FAIL();
    } catch (const IoError& e) {
        EXPECT_STREQ(e.what(), "Cannot open photos: not a file");
    }
    try {
        (void)openRegularFile(dir.file("gone.bin"));
        FAIL();
    } catch (const IoError& e) {
        EXPECT_STREQ(e.what(), "Cannot open gone.bin: No such file or directory");
    }
    const RegularFile file = openRegularFile(dir.write("dump.bin", pattern(300)));
    EXPECT_EQ(file.size, 300);
    std::uint8_t first = 0;
    EXPECT_EQ(::read(file.fd.get(), &first, 1), 1);  // blocking again, as reads expect
    EXPECT_EQ(first, 0);
}

TEST(JoinPath, EmptyPartsAddNoSeparator) {
    EXPECT_EQ(joinPath("", "tools"), "tools");
    EXPECT_EQ(joinPath("/", "tools"), "/tools");
    EXPECT_EQ(joinPath("work/", "tools"), "work/tools");
    EXPECT_EQ(joinPath("work", "tools"), "work/tools");
}

}  // namespace
}  // namespace velmora
