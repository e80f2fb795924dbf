// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string>

#include "firmware/file_system.h"

namespace velmora {

// Writes a file piece by piece beside its final name and puts it in place
// by renaming once every piece is written, so `path` holds either its old
// content or the whole new one. Meant for work files rebuilt on every run:
// nothing is flushed to the disk. Unless commit() succeeds, the partial file
// is removed. Errors throw IoError with the texts of writeFileAtomically.
class StreamedFileWriter {
  public:
    explicit StreamedFileWriter(std::string path, FileSystem& fs = realFileSystem());
    ~StreamedFileWriter();
    StreamedFileWriter(const StreamedFileWriter&) = delete;
    StreamedFileWriter& operator=(const StreamedFileWriter&) = delete;

    void append(std::span<const std::uint8_t> bytes);
    void commit();

  private:
    [[noreturn]] void discard(const char* what);

    FileSystem& fs_;
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
    mode_t mode_ = 0;
    bool committed_ = false;
};

}  // namespace velmora
