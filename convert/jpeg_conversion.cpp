#include <span>
#include <vector>

#include "convert/conversion_commands.h"
#include "convert/converted_stream.h"
#include "convert/dichotomy_search.h"
#include "convert/run_and_wait.h"
#include "convert/tool_run.h"
#include "firmware/file_io.h"

namespace velmora {
namespace {

// The work files of a conversion that are not its result.
void removeWorkFiles(const Session& session) {
    for (const char* name : {kBatchFile, kPreparedBitmap, kResizedJpeg, kRawPicture})
        removeFileIfExists(session.workFile(name));
}

// Runs one tool of the conversion. A run the person cancelled or that took
// too long leaves no work file and no stream; the person hears of it.
bool runStep(const Session& session, Dialogs& ui, const ToolCommand& command,
             const std::string& streamPath) {
    const ToolRun run = runTool(command, *session.Control);
    if (run.end != ToolEnd::Cancelled && run.end != ToolEnd::TimedOut) return true;
    removeWorkFiles(session);
    removeFileIfExists(streamPath);
    if (run.end == ToolEnd::Cancelled) {
        ui.log("Cancelled.");
    } else {
        const std::string tool = run.stillRunning.empty() ? toolName(command) : run.stillRunning;
        ui.error("ERROR!", toolTimeoutText(tool, session.Control->toolTimeout));
    }
    return false;
}

// The converter runs: options applied, then resized to the picture. Whether
// they worked shows only in the encoder's output.
bool preparePicture(const Session& session, Dialogs& ui, const PictureEntry& entry,
                    const std::string& streamPath) {
    // Files of an earlier conversion that ended early must not stand in for a
    // picture the converter could not make this time.
    removeWorkFiles(session);
    return runStep(session, ui,
                   prepareCommand(session.ToolDir, session.SourcePath, session.TempDir,
                                  session.Options),
                   streamPath) &&
           runStep(session, ui,
                   resizeCommand(session.ToolDir, session.TempDir, entry.Width, entry.Height),
                   streamPath);
}

std::vector<std::string> batchLinesOfTry(const Session& session, const PictureEntry& entry,
                                         bool ntscTiming, std::int32_t setting) {
    if (entry.isMpeg2())
        return mpeg2BatchLines(session.ToolDir, session.TempDir, ntscTiming, setting);
    return mpeg4BatchLines(session.ToolDir, session.TempDir, ntscTiming, setting, entry.Width,
                           entry.Height);
}

void writeBatchFile(const std::string& path, const std::vector<std::string>& lines) {
    const std::string text = batchFileText(lines);
    writeWholeFile(path,
                   std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
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

std::optional<ConvertedStream> convertJpegToStream(Session& session, Dialogs& ui,
                                                   const PictureEntry& entry,
                                                   std::int32_t roomSize) {
    const std::string streamPath = session.workFile(entry.isMpeg2() ? kMpeg2Result : kMpeg4Result);
    if (!preparePicture(session, ui, entry, streamPath)) return std::nullopt;
    ui.log("Begin to convert JPEG image using Dichotomy method.");

    const bool ntscTiming = entry.FrameRate != kFrameRatePal;
    DichotomySearch search = entry.isMpeg2() ? mpeg2SearchStart() : mpeg4SearchStart();
    const std::string batchPath = session.workFile(kBatchFile);
    const std::int32_t mostTries = search.TriesLeft;

    SearchStep step = SearchStep::NextTry;
    while (step == SearchStep::NextTry) {
        // A try whose encoder does not start must not measure the last try's stream.
        removeFileIfExists(streamPath);
        removeFileIfExists(session.workFile(kRawPicture));
        writeBatchFile(batchPath, batchLinesOfTry(session, entry, ntscTiming, search.TrySetting));
        if (!runStep(session, ui, batchFileCommand(batchPath), streamPath)) return std::nullopt;
        // The bar shows the tries: try k of at most mostTries.
        ui.progress((mostTries - search.TriesLeft + 1) * 100 / mostTries);
        if (!fileExists(streamPath)) {
            ui.error("Error!", "Error with target file creation!");
            return std::nullopt;
        }
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
        ui.error("ERROR!", "Sorry, I can not convert image into MPEG4...!");
        return std::nullopt;
    }
    ui.progress(100);
    ui.log("Finished!");
    return ConvertedStream{streamPath, search.StreamOffset};
}

}  // namespace velmora
