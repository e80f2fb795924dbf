// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/jpeg_conversion.h"

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <vector>

#include "convert/conversion_commands.h"
#include "convert/dichotomy_search.h"
#include "convert/encoder_tries.h"
#include "convert/tool_command.h"
#include "convert/tool_run.h"
#include "firmware/file_io.h"
#include "firmware/work_file.h"
#include "firmware/work_folder_files.h"

namespace velmora {
namespace {

// The work files of a conversion that are not its result.
void removeWorkFiles(const WorkSettings& work) {
    for (const char* name : {kBatchFile, kPreparedBitmap, kResizedJpeg, kRawPicture})
        removeFileIfExists(work.workFile(name));
}

// Runs one tool of the conversion. A run the person cancelled or that took
// too long ends the conversion, with no work file and no stream left.
std::optional<Outcome> runStep(const WorkSettings& work, const ToolCommand& command,
                               const std::string& streamPath) {
    requireFolderInPlace(work.TempDirDescriptor, work.TempDir);
    const ToolRun run = runTool(command, *work.Control);
    if (run.end != ToolEnd::Cancelled && run.end != ToolEnd::TimedOut) return std::nullopt;
    removeWorkFiles(work);
    removeFileIfExists(streamPath);
    if (run.end == ToolEnd::Cancelled) return Outcome::cancelled();
    const std::string tool = run.stillRunning.empty() ? toolName(command) : run.stillRunning;
    return Outcome::refused(kErrorCaption, toolTimeoutText(tool, work.Control->toolTimeout));
}

// The converter runs: options applied, then resized to the picture. Whether
// they worked shows only in the encoder's output.
std::optional<Outcome> preparePicture(const ConversionInput& input, const PictureEntry& entry,
                                      const std::string& streamPath) {
    const WorkSettings& work = input.settings;
    // Files of an earlier conversion that ended early must not stand in for a
    // picture the converter could not make this time.
    removeWorkFiles(work);
    ToolCommand prepare =
        prepareCommand(work.ToolDir, input.SourcePath, work.TempDir, input.Options);
    // The size the picture ends up at: a large photo may then be decoded smaller.
    prepare.environment.push_back(std::string(kPictureSizeHint) + "=" +
                                  std::to_string(entry.Width) + "x" + std::to_string(entry.Height));
    if (auto stopped = runStep(work, prepare, streamPath)) return stopped;
    return runStep(work, resizeCommand(work.ToolDir, work.TempDir, entry.Width, entry.Height),
                   streamPath);
}

std::vector<std::string> batchLinesOfTry(const WorkSettings& work, const PictureEntry& entry,
                                         bool ntscTiming, std::int32_t setting,
                                         const TryFiles& files) {
    const BatchPrograms programs = findBatchPrograms(work.ToolDir);
    if (entry.isMpeg2()) return mpeg2BatchLines(programs, work.TempDir, ntscTiming, setting, files);
    return mpeg4BatchLines(programs, work.TempDir, ntscTiming, setting, entry.Width, entry.Height,
                           files);
}

// The batch file that ran a failed try is left for a look under the usual
// name, whichever slot ran it.
void keepBatchFileOf(const WorkSettings& work, const TryOutcome& made) {
    if (made.batchFile.empty() || made.batchFile == kBatchFile) return;
    (void)renameWorkFileIn(work.TempDirDescriptor, work.workFile(made.batchFile),
                           work.workFile(kBatchFile));
}

bool isProgram(const std::string& path) {
    return fileExists(path) && ::access(path.c_str(), X_OK) == 0;
}

// Which programs of the conversion cannot be run at all, and where they were
// looked for: one line each, none when every one is there.
std::vector<std::string> missingPrograms(const WorkSettings& work, bool mpeg2) {
    const BatchPrograms programs = findBatchPrograms(work.ToolDir);
    struct Needed {
        const std::string& path;
        const char* name;
        bool onPath;  // also looked for in the folders of PATH
    };
    const std::string converter = joinPath(work.ToolDir, "pvw32con");
    std::vector<Needed> needed = {{converter, "pvw32con", false},
                                  {programs.jpeg2yuv, "jpeg2yuv", true}};
    if (mpeg2) {
        needed.push_back({programs.mpeg2enc, "mpeg2enc", true});
    } else {
        needed.push_back({programs.yuvscaler, "yuvscaler", true});
        needed.push_back({programs.pixmend, "pixmend", false});
        needed.push_back({programs.xvidEncraw, "xvid_encraw", false});
    }
    std::vector<std::string> lines;
    for (const Needed& program : needed) {
        if (isProgram(program.path)) continue;
        lines.push_back(std::string("The program ") + program.name +
                        " was not found: it was looked for in " + work.ToolDir +
                        (program.onPath ? " and in the folders of PATH." : "."));
    }
    return lines;
}

// A try that did not end in a stream ends the conversion.
Outcome failedTry(const WorkSettings& work, Dialogs& ui, const TryOutcome& made,
                  const std::string& streamPath, bool mpeg2) {
    removeFileIfExists(streamPath);
    if (made.end == ToolEnd::Cancelled || made.end == ToolEnd::TimedOut) {
        removeWorkFiles(work);
        if (made.end == ToolEnd::Cancelled) return Outcome::cancelled();
        return Outcome::refused(kErrorCaption,
                                toolTimeoutText(made.stoppedTool, work.Control->toolTimeout));
    }
    if (!made.outgrownTool.empty())
        return Outcome::refused(kErrorCaption,
                                toolOutputTooLargeText(made.outgrownTool, made.outgrownFile));
    // The batch file stays for a look; a program that is not there at all is named.
    for (const std::string& line : missingPrograms(work, mpeg2)) ui.log(line);
    return Outcome::refused("Error!", "Error with target file creation!");
}

std::string tryLogLine(const PictureEntry& entry, std::int32_t setting, std::int64_t fileSize) {
    if (entry.isMpeg2()) {
        return "Converting using bitrate " + std::to_string(setting) +
               "kbps - file size= " + std::to_string(fileSize);
    }
    return "Converting using quantizer " + std::to_string(setting) +
           " - file size= " + std::to_string(fileSize);
}

}  // namespace

Result<ConvertedStream> convertJpegToStream(const ConversionInput& input, Dialogs& ui,
                                            const PictureEntry& entry, std::int32_t roomSize) {
    const WorkSettings& work = input.settings;
    const std::string streamPath = work.workFile(entry.isMpeg2() ? kMpeg2Result : kMpeg4Result);
    if (auto stopped = preparePicture(input, entry, streamPath)) return *stopped;
    ui.log("Begin to convert JPEG image using Dichotomy method.");

    const bool ntscTiming = entry.FrameRate != kFrameRatePal;
    DichotomySearch search = entry.isMpeg2() ? mpeg2SearchStart() : mpeg4SearchStart();
    const std::int32_t mostTries = search.TriesLeft;

    EncoderTries tries(
        work, entry.isMpeg2(),
        [&](std::int32_t setting, const TryFiles& files) {
            return batchLinesOfTry(work, entry, ntscTiming, setting, files);
        },
        triesAtOnce(work));
    const std::vector<std::uint8_t>* stream = nullptr;
    SearchStep step = SearchStep::NextTry;
    while (step == SearchStep::NextTry) {
        const TryOutcome& made = tries.tryOf(search, roomSize);
        if (made.end == ToolEnd::Cancelled || made.end == ToolEnd::TimedOut || !made.stream) {
            keepBatchFileOf(work, made);
            tries.stopAll();
            return failedTry(work, ui, made, streamPath, entry.isMpeg2());
        }
        stream = &*made.stream;
        // The bar shows the tries: try k of at most mostTries.
        ui.progress((mostTries - search.TriesLeft + 1) * 100 / mostTries);
        const auto fileSize = static_cast<std::int64_t>(stream->size());
        ui.log(tryLogLine(entry, search.TrySetting, fileSize));
        ui.repaintLog();
        step = bisectionStep(search, fileSize, roomSize);
    }
    tries.stopAll();
    // The last try's stream is the result, and stays even when it does not fit.
    static_cast<void>(writeWorkFileIn(work.TempDirDescriptor, streamPath, *stream));

    removeWorkFiles(work);
    if (search.TriesLeft == 0) {
        ui.log(
            "Sorry, I can not convert image into MPEG4...\rYou can try to convert it with other "
            "converters.");
        return Outcome::refused(kErrorCaption, "Sorry, I can not convert image into MPEG4...!");
    }
    ui.progress(100);
    ui.log("Finished!");
    return ConvertedStream{streamPath, search.StreamOffset};
}

}  // namespace velmora
