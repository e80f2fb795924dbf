#include "convert/jpeg_conversion.h"

#include <optional>
#include <span>
#include <vector>

#include "convert/conversion_commands.h"
#include "convert/dichotomy_search.h"
#include "convert/run_and_wait.h"
#include "convert/tool_run.h"
#include "convert/tried_streams.h"
#include "firmware/file_io.h"
#include "firmware/work_file.h"

namespace velmora {
namespace {

// The work files of a conversion that are not its result.
void removeWorkFiles(const Session& session) {
    for (const char* name : {kBatchFile, kPreparedBitmap, kResizedJpeg, kRawPicture})
        removeFileIfExists(session.workFile(name));
}

// Runs one tool of the conversion. A run the person cancelled or that took
// too long ends the conversion, with no work file and no stream left.
std::optional<Outcome> runStep(const Session& session, const ToolCommand& command,
                               const std::string& streamPath) {
    const ToolRun run = runTool(command, *session.Control);
    if (run.end != ToolEnd::Cancelled && run.end != ToolEnd::TimedOut) return std::nullopt;
    removeWorkFiles(session);
    removeFileIfExists(streamPath);
    if (run.end == ToolEnd::Cancelled) return Outcome::cancelled();
    const std::string tool = run.stillRunning.empty() ? toolName(command) : run.stillRunning;
    return Outcome::refused(kErrorCaption, toolTimeoutText(tool, session.Control->toolTimeout));
}

// The converter runs: options applied, then resized to the picture. Whether
// they worked shows only in the encoder's output.
std::optional<Outcome> preparePicture(const Session& session, const PictureEntry& entry,
                                      const std::string& streamPath) {
    // Files of an earlier conversion that ended early must not stand in for a
    // picture the converter could not make this time.
    removeWorkFiles(session);
    ToolCommand prepare =
        prepareCommand(session.ToolDir, session.SourcePath, session.TempDir, session.Options);
    // The size the picture ends up at: a large photo may then be decoded smaller.
    prepare.environment.push_back(std::string(kPictureSizeHint) + "=" +
                                  std::to_string(entry.Width) + "x" + std::to_string(entry.Height));
    if (auto stopped = runStep(session, prepare, streamPath)) return stopped;
    return runStep(session,
                   resizeCommand(session.ToolDir, session.TempDir, entry.Width, entry.Height),
                   streamPath);
}

std::vector<std::string> batchLinesOfTry(const Session& session, const PictureEntry& entry,
                                         bool ntscTiming, std::int32_t setting) {
    const BatchPrograms programs = findBatchPrograms(session.ToolDir);
    if (entry.isMpeg2()) return mpeg2BatchLines(programs, session.TempDir, ntscTiming, setting);
    return mpeg4BatchLines(programs, session.TempDir, ntscTiming, setting, entry.Width,
                           entry.Height);
}

void writeBatchFile(const std::string& path, const std::vector<std::string>& lines) {
    const std::string text = batchFileText(lines);
    writeWorkFile(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
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

Result<ConvertedStream> convertJpegToStream(const Session& session, Dialogs& ui,
                                            const PictureEntry& entry, std::int32_t roomSize) {
    const std::string streamPath = session.workFile(entry.isMpeg2() ? kMpeg2Result : kMpeg4Result);
    if (auto stopped = preparePicture(session, entry, streamPath)) return *stopped;
    ui.log("Begin to convert JPEG image using Dichotomy method.");

    const bool ntscTiming = entry.FrameRate != kFrameRatePal;
    DichotomySearch search = entry.isMpeg2() ? mpeg2SearchStart() : mpeg4SearchStart();
    const std::string batchPath = session.workFile(kBatchFile);
    const std::int32_t mostTries = search.TriesLeft;

    // The encoders give the same stream for the same setting, so a setting
    // the bisection comes back to is not encoded again: its stream is put
    // back and the try goes on (and is logged) as if it had been.
    TriedStreams tried;
    SearchStep step = SearchStep::NextTry;
    while (step == SearchStep::NextTry) {
        if (const auto* stream = tried.find(search.TrySetting)) {
            writeWorkFile(streamPath, *stream);
        } else {
            // A try whose encoder does not start must not measure the last try's stream.
            removeFileIfExists(streamPath);
            removeFileIfExists(session.workFile(kRawPicture));
            writeBatchFile(batchPath,
                           batchLinesOfTry(session, entry, ntscTiming, search.TrySetting));
            if (auto stopped = runStep(session, batchFileCommand(batchPath), streamPath))
                return *stopped;
            if (!fileExists(streamPath))
                return Outcome::refused("Error!", "Error with target file creation!");
            tried.keep(search.TrySetting, readImageFile(streamPath).bytes());
        }
        // The bar shows the tries: try k of at most mostTries.
        ui.progress((mostTries - search.TriesLeft + 1) * 100 / mostTries);
        const std::int64_t fileSize = velmora::fileSize(streamPath);
        ui.log(tryLogLine(entry, search.TrySetting, fileSize));
        ui.repaintLog();
        step = bisectionStep(search, fileSize, roomSize);
    }

    removeWorkFiles(session);
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
