// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/work_folder_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <limits>

#include "firmware/file_io.h"
#include "firmware/io_error.h"

namespace velmora {
namespace {

// The name openat takes: the file's name inside the folder, or the whole path
// when the folder is reached by name.
std::string nameIn(int folder, const std::string& path) {
    return folder >= 0 ? fileNameOf(path) : path;
}

int folderOrHere(int folder) {
    return folder >= 0 ? folder : AT_FDCWD;
}

}  // namespace

FileDescriptor writeWorkFileIn(int folder, const std::string& path,
                               std::span<const std::uint8_t> bytes) {
    const int at = folderOrHere(folder);
    const std::string name = nameIn(folder, path);
    // Whatever stands under the name goes first; what cannot go makes the
    // exclusive creation fail, naming the file.
    (void)::unlinkat(at, name.c_str(), 0);
    FileDescriptor file(
        ::openat(at, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.get() < 0) throw fileOperationError("Cannot create", path);
    if (!writeAll(file.get(), bytes)) throw fileOperationError("Cannot write", fileNameOf(path));
    return file;
}

WorkFileRead readWorkFileIn(int folder, const std::string& path, std::int64_t maxBytes) {
    const std::string name = nameIn(folder, path);
    const int fd = ::openat(folderOrHere(folder), name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    WorkFileRead read;
    if (fd < 0) {
        if (errno == ENOENT) return read;
        throw fileOperationError("Cannot open", fileNameOf(path));
    }
    const FileDescriptor open(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) throw IoError(notAFileText(path));
    read.exists = true;
    if (st.st_size > maxBytes) {
        read.tooLarge = true;
        return read;
    }
    read.bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < read.bytes.size()) {
        const ssize_t n = ::read(fd, read.bytes.data() + done, read.bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw fileOperationError("Cannot read", fileNameOf(path));
        if (n == 0) break;  // shorter than it was: what is there
        done += static_cast<std::size_t>(n);
    }
    read.bytes.resize(done);
    return read;
}

ByteImage readWorkImageIn(int folder, const std::string& path) {
    if (folder < 0) return readImageFile(path);
    WorkFileRead made = readWorkFileIn(folder, path, std::numeric_limits<std::int64_t>::max());
    if (!made.exists) return readImageFile(path);  // its usual error
    return ByteImage(fileNameOf(path), std::move(made.bytes));
}

bool renameWorkFileIn(int folder, const std::string& from, const std::string& to) {
    const int at = folderOrHere(folder);
    return ::renameat(at, nameIn(folder, from).c_str(), at, nameIn(folder, to).c_str()) == 0;
}

void requireFolderInPlace(int folder, const std::string& path) {
    if (folder < 0) return;
    struct stat opened {};
    struct stat named {};
    if (::fstat(folder, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
        opened.st_dev == named.st_dev && opened.st_ino == named.st_ino)
        return;
    throw IoError("The work folder " + path +
                  " was replaced by another while Velmora worked in it: nothing more was run "
                  "there.");
}

}  // namespace velmora
