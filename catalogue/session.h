// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "catalogue/picture_table.h"
#include "catalogue/work_control.h"

namespace velmora {

enum class ColorMode { Colors24, Colors256, Colors16 };
enum class Rotation { None, Rotate90, Rotate180, Rotate270 };
// Which encoder turns a photo into the picture's stream: the external tool
// chain, or the one built into the program.
enum class EncoderChoice { Tools, Builtin };
// How a photo of other proportions is brought to the picture's display aspect.
enum class FitMode { Stretch, Crop, Fit };

// The choices of the window's option controls ("Use Spare space", "Color
// control", "Orientation"); they persist between replacements.
struct ReplaceOptions {
    bool UseSpareSpace = true;
    ColorMode Colors = ColorMode::Colors24;
    bool Greyscale = false;
    Rotation Orientation = Rotation::None;
    bool HMirror = false;
    bool VMirror = false;
    // The front ends choose the built-in encoder unless told otherwise.
    EncoderChoice Encoder = EncoderChoice::Tools;
    FitMode Fit = FitMode::Stretch;
};

// What "Open Image file" accepted, as the window shows it.
struct AcceptedSource {
    std::string panelCaption;  // "JPEG 720x576: photo.jpg" / "MPEG file: clip.m2v"
    bool isJpeg = false;       // the colour and orientation groups are enabled for JPEG only
};

// All program-wide state. The window (or the command line) owns one and hands
// it to the core.
struct Session {
    // Set at start-up.
    std::string ToolDir;
    std::string TempDir;
    // Shared with the thread that may cancel the running action.
    std::shared_ptr<WorkControl> Control = std::make_shared<WorkControl>();
    // How many encoder tries of a JPEG conversion may run at once; 0: one per
    // processor core.
    int TriesAtOnce = 0;

    // The last analysis.
    std::string FirmwarePath;  // the firmware as stored, as chosen in the open dialog
    std::string FirmwareName;
    bool ByteSwapped = false;
    std::uint16_t FirstWord = 0;
    bool PicturesFound = false;
    std::uint32_t FreeSpaceAddr = 0;
    std::int32_t FreeSpaceSize = 0;
    std::uint16_t AnchorPage = 0;
    std::uint16_t AnchorSegment = 0;
    std::uint16_t AnchorLength = 0;
    std::uint32_t SegmentBase = 0;
    PictureArray PictureTable{};
    int PictureCount = 0;     // entries 0..PictureCount-1 are valid
    int SelectedPicture = 0;  // index into PictureTable
    // Digest of the stored firmware as last analysed or written: a replacement
    // refuses to write into a file that changed meanwhile.
    std::uint64_t FirmwareFingerprint = 0;

    // The replacement source: the file last accepted by "Open Image file".
    bool SourceOpened = false;
    std::string SourcePath;
    AcceptedSource SourceAccepted;
    ReplaceOptions Options;

    [[nodiscard]] std::string workFile(const std::string& name) const;
    // The selected picture of the last analysis; nullptr when the selection
    // names none.
    [[nodiscard]] const PictureEntry* selected() const;
};

}  // namespace velmora
