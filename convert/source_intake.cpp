// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/source_intake.h"

#include <unistd.h>

#include <cerrno>
#include <optional>

#include "convert/jpeg_size.h"
#include "convert/photo_reading.h"
#include "firmware/file_descriptor.h"
#include "firmware/file_io.h"
#include "firmware/io_error.h"

namespace velmora {
namespace {

// The extension of the file name (not of a folder), dot included; empty when
// the name has no dot.
std::string extensionOf(const std::string& path) {
    const std::string name = fileNameOf(path);
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

// Only a..z change: the names are compared as the file system spells them.
std::string asciiUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

bool hasJpegName(const std::string& path) {
    const std::string extension = asciiUpper(extensionOf(path));
    return extension == ".JPG" || extension == ".JPEG";
}

bool hasStreamName(const std::string& path) {
    const std::string extension = asciiUpper(extensionOf(path));
    return extension == ".M2V" || extension == ".M4V" || extension == ".MPG" ||
           extension == ".MPEG";
}

// The first bytes of a file, enough to tell a picture format; empty when it
// cannot be read or is no regular file.
std::vector<std::uint8_t> headOf(const std::string& path) {
    try {
        const RegularFile file = openRegularFile(path);
        std::vector<std::uint8_t> head(16);
        ssize_t got = 0;
        do {
            got = ::pread(file.fd.get(), head.data(), head.size(), 0);
        } while (got < 0 && errno == EINTR);
        head.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
        return head;
    } catch (const IoError&) {
        return {};
    }
}

// A start code that begins an MPEG video stream (sequence header, visual
// object sequence, video object, video object layer, pack).
bool holdsMpegStartCode(std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i + 3 < bytes.size(); ++i) {
        if (bytes[i] != 0 || bytes[i + 1] != 0 || bytes[i + 2] != 1) continue;
        const std::uint8_t code = bytes[i + 3];
        if (code == 0xB3 || code == 0xB0 || code <= 0x2F || code == 0xBA) return true;
    }
    return false;
}

std::optional<PhotoFormat> pictureFormatOf(const std::string& path) {
    if (hasStreamName(path)) return std::nullopt;
    return photoFormatOf(headOf(path));
}

// Photos in the other formats the conversion reads, and every file (a
// picture is told by its content, whatever its name).
constexpr const char* kOtherSourceFilters =
    "Other pictures|*.png;*.bmp;*.tif;*.tiff;*.webp;*.gif|All files|*";

}  // namespace

bool isJpegSource(const std::string& path) {
    if (hasStreamName(path)) return false;
    return pictureFormatOf(path).has_value() || hasJpegName(path);
}

std::string sourceFilterFor(int kind) {
    if (kind == kKindMpeg2) {
        return "JPEG picture (*.jpeg; *.jpg)|*.jpg;*.jpeg|"
               "Custom MPEG2 video (*.m2v;*.mpg; *.mpeg)|*.m2v;*.mpg;*.mpeg|" +
               std::string(kOtherSourceFilters);
    }
    return "JPEG picture (*.jpeg; *.jpg)|*.jpg;*.jpeg|"
           "Custom MPEG4 video (*.m4v;*.mpg; *.mpeg)|*.m4v;*.mpg;*.mpeg|" +
           std::string(kOtherSourceFilters);
}

Result<ReplacementSource> acceptReplacementSource(const std::string& path, Dialogs& ui) {
    ReplacementSource source;
    const Outcome outcome = guardIo([&] {
        AcceptedSource accepted;
        const std::string name = fileNameOf(path);
        const std::optional<PhotoFormat> format = pictureFormatOf(path);
        if (isJpegSource(path)) {
            const PhotoFormat kind = format.value_or(PhotoFormat::Jpeg);
            if (kind == PhotoFormat::Jpeg && !ReadJpegSize(path))
                return Outcome::refused(kErrorCaption, "JPEG file corrupted!");
            // Decoded whole now: damage must not pass the header and show up
            // as a half-grey picture in the firmware.
            const PhotoReading reading = readPhoto(readImageFile(path).bytes(), kind);
            if (!reading.damage.empty())
                return Outcome::refused(kErrorCaption,
                                        name + " is damaged: " + reading.damage + ".");
            accepted.isJpeg = true;
            accepted.panelCaption = std::string(photoFormatName(kind)) + " " +
                                    std::to_string(reading.width) + "x" +
                                    std::to_string(reading.height) + ": ";
            ui.log(std::string(photoFormatName(kind)) + " Image opened.");
        } else {
            if (!hasStreamName(path) && !holdsMpegStartCode(readImageFile(path).bytes()))
                return Outcome::refused(
                    kErrorCaption, name + " holds neither a picture nor an MPEG video stream.");
            accepted.panelCaption = "MPEG file: ";
            ui.log("Custom MPEG file opened.");
        }
        accepted.panelCaption += name;
        source.SourceOpened = true;
        source.SourcePath = path;
        source.SourceAccepted = accepted;
        return Outcome::done();
    });
    if (!outcome.isDone()) return outcome;
    return source;
}

}  // namespace velmora
