// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "catalogue/firmware_analysis.h"
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

// Set at start-up: where the tools are, where work files go, how the work
// may be stopped.
struct WorkSettings {
    std::string ToolDir;
    std::string TempDir;
    // TempDir as opened once when claimed: work files are made and read
    // relative to it. -1: reached by name (a folder no claim holds).
    int TempDirDescriptor = -1;
    // Shared with the thread that may cancel the running action.
    std::shared_ptr<WorkControl> Control = std::make_shared<WorkControl>();
    // How many encoder tries of a JPEG conversion may run at once; 0: one per
    // processor core.
    int TriesAtOnce = 0;

    [[nodiscard]] std::string workFile(const std::string& name) const;
};

// The firmware of the last analysis: the file and what the analysis found.
struct OpenedFirmware : FirmwareAnalysis {
    std::string FirmwarePath;  // the firmware as stored, as chosen in the open dialog
    // Digest of the stored firmware as last analysed or written: a replacement
    // refuses to write into a file that changed meanwhile.
    std::uint64_t FirmwareFingerprint = 0;

    // Picture `index` (0-based) of the table; nullptr when there is none.
    [[nodiscard]] const PictureEntry* picture(int index) const;
};

// The replacement source: the file last accepted by "Open Image file".
struct ReplacementSource {
    bool SourceOpened = false;
    std::string SourcePath;
    AcceptedSource SourceAccepted;
};

// What an action on one picture works with. The front end builds it from
// what it holds; a worker gets its own copy, so nothing it reads changes
// under it.
struct PictureTarget {
    WorkSettings settings;    // the tools, the work folder, the control
    OpenedFirmware firmware;  // the firmware the picture lies in
    int picture = 0;          // index into firmware.PictureTable

    // The picture; nullptr when the index names none.
    [[nodiscard]] const PictureEntry* entry() const { return firmware.picture(picture); }
};

// What the window (or the command line) holds between actions, in its parts:
// the settings, the opened firmware, the replacement source, the grid's
// selection and the option controls. The front ends own one and hand each
// action the parts it needs.
struct Session : WorkSettings, OpenedFirmware, ReplacementSource {
    int SelectedPicture = 0;  // index into PictureTable
    ReplaceOptions Options;

    // The selected picture of the last analysis; nullptr when the selection
    // names none.
    [[nodiscard]] const PictureEntry* selected() const { return picture(SelectedPicture); }
};

// The selected picture of the session, as an action on it takes it.
[[nodiscard]] PictureTarget selectedPicture(const Session& session);

}  // namespace velmora
