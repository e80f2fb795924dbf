// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-encode-photo: one conversion of a photo into a 720x576 PAL picture
// of a given room, with either encoder, for the quality report.
//   velmora-encode-photo builtin|tools mpeg2|mpeg4 ROOM PHOTO OUT [PREPARED.ppm]
// OUT gets the stream as the firmware would store it; PREPARED.ppm the
// picture the built-in preparation makes (the reference to measure against).
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "convert/builtin_conversion.h"
#include "convert/jpeg_conversion.h"
#include "firmware/file_io.h"
#include "person/silent_dialogs.h"
#include "tests/fixtures/fixture_streams.h"

namespace {

using namespace velmora;

// The log on standard error.
class Quiet : public SilentDialogs {
  public:
    void log(const std::string& line) override { std::cerr << line << '\n'; }
    void error(const std::string& caption, const std::string& text) override {
        std::cerr << caption << ": " << text << '\n';
    }
};

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6 && argc != 7) {
        std::cerr << "usage: velmora-encode-photo builtin|tools mpeg2|mpeg4 ROOM PHOTO OUT "
                     "[PREPARED.ppm]\n";
        return 2;
    }
    const std::string encoder = argv[1];
    const bool mpeg2 = std::string(argv[2]) == "mpeg2";
    const std::int32_t room = std::stoi(argv[3]);
    const std::string photo = argv[4];
    const std::string out = argv[5];
    // The old picture: a PAL 720x576 still as the fixtures make them.
    const fixtures::Bytes oldStream =
        mpeg2 ? fixtures::mpeg2Still(720, 576, false) : fixtures::mpeg4Still(720, 576);
    const std::optional<OldStreamParameters> old = readOldStreamParameters(oldStream, mpeg2);
    if (!old) return 1;
    if (argc == 7) {
        const PreparedPhoto prepared = preparePhoto(
            photo, ReplaceOptions{}, {old->width, old->height}, fractionOf(old->aspect()));
        std::ofstream ppm(argv[6], std::ios::binary);
        ppm << "P6\n" << prepared.width << " " << prepared.height << "\n255\n";
        ppm.write(reinterpret_cast<const char*>(prepared.rgb.data()),
                  static_cast<std::streamsize>(prepared.rgb.size()));
    }
    Quiet ui;
    if (encoder == "builtin") {
        const PreparedPhoto prepared = preparePhoto(
            photo, ReplaceOptions{}, {old->width, old->height}, fractionOf(old->aspect()));
        const WorkControl control;
        const Result<std::vector<std::uint8_t>> stream =
            encodeToFit(*old, prepared, streamLimit(*old, room), ui, control);
        if (!stream.ok()) return 1;
        writeBytes(out, *stream);
        return 0;
    }
    Session session;
    session.TempDir = std::filesystem::temp_directory_path() /
                      ("velmora-encode-photo-" + std::to_string(::getpid()));
    std::filesystem::create_directories(session.TempDir);
    session.ToolDir = VELMORA_TOOL_DIR;
    session.SourcePath = photo;
    session.SourceOpened = true;
    PictureEntry entry;
    entry.Kind = mpeg2 ? kKindMpeg2 : kKindMpeg4;
    entry.Width = 720;
    entry.Height = 576;
    entry.FrameRate = kFrameRatePal;
    const Result<ConvertedStream> made = convertJpegToStream(
        {session, session, session.SourcePath, session.Options}, ui, entry, room);
    if (!made.ok()) return 1;
    std::vector<std::uint8_t> bytes = readImageFile(made->path).bytes();
    bytes.erase(bytes.begin(), bytes.begin() + made->offset);
    writeBytes(out, bytes);
    std::filesystem::remove_all(session.TempDir);
    return 0;
}
