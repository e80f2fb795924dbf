// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/encoder_tries.h"

#include <algorithm>
#include <chrono>
#include <span>
#include <thread>

#include "convert/conversion_commands.h"
#include "convert/likely_tries.h"
#include "firmware/file_io.h"
#include "firmware/work_file.h"
#include "firmware/work_folder_files.h"

namespace velmora {
namespace {

// How often the search looks at the person's cancel while it waits.
constexpr std::chrono::milliseconds kCancelWatch{20};

FileDescriptor writeBatchFile(int folder, const std::string& path,
                              const std::vector<std::string>& lines) {
    const std::string text = batchFileText(lines);
    return writeWorkFileIn(
        folder, path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace

EncoderTries::EncoderTries(const WorkSettings& work, bool mpeg2, BatchLines batchLines,
                           int runsAtOnce)
    : work_(work),
      mpeg2_(mpeg2),
      batchLines_(std::move(batchLines)),
      slots_(std::max(1, runsAtOnce)) {
    // Every run holds a slot, so adding one never moves the others (nor fails
    // after its process has started).
    runs_.reserve(static_cast<std::size_t>(slots_));
}

EncoderTries::~EncoderTries() {
    stopAll();
}

const TryOutcome& EncoderTries::tryOf(const DichotomySearch& search, std::int64_t roomSize) {
    const std::int32_t setting = search.TrySetting;
    for (;;) {
        if (const auto made = outcomes_.find(setting); made != outcomes_.end()) return made->second;
        if (work_.Control->cancelRequested()) {
            cancelAll();
            // Not started before the cancel: it never will be.
            if (!running(setting)) {
                TryOutcome& never = outcomes_[setting];
                never.end = ToolEnd::Cancelled;
                return never;
            }
        } else {
            runWantedSettings(search, roomSize);
        }
        waitForAnEnd();
        keepEndedRuns();
    }
}

void EncoderTries::stopAll() {
    for (Run& run : runs_) {
        run.abandoned = true;
        run.control->requestCancel();
    }
    for (Run& run : runs_) run.ended.wait();
    runs_.clear();
    for (int slot = 1; slot < slots_; ++slot) {
        const TryFiles files = tryFiles(slot, mpeg2_);
        for (const std::string* name : {&files.batch, &files.rawPicture, &files.stream})
            removeFileIfExists(work_.workFile(*name));
    }
}

// The current setting first, then those the search likely tries after it,
// each on a slot of its own; runs the search has gone past are stopped.
void EncoderTries::runWantedSettings(const DichotomySearch& search, std::int64_t roomSize) {
    TriedSizes sizes;
    for (const auto& [setting, outcome] : outcomes_)
        if (outcome.stream) sizes[setting] = static_cast<std::int64_t>(outcome.stream->size());
    std::vector<std::int32_t> wanted =
        likelyUntriedSettings(search, sizes, roomSize, static_cast<std::size_t>(slots_));
    std::erase_if(wanted, [this](std::int32_t s) { return outcomes_.contains(s); });

    for (Run& run : runs_) {
        if (run.abandoned || std::find(wanted.begin(), wanted.end(), run.setting) != wanted.end())
            continue;
        run.abandoned = true;
        run.control->requestCancel();
    }
    for (const std::int32_t setting : wanted) {
        if (running(setting)) continue;
        const std::optional<int> slot = freeSlot();
        if (!slot) break;
        start(setting, *slot);
    }
}

void EncoderTries::start(std::int32_t setting, int slot) {
    const TryFiles files = tryFiles(slot, mpeg2_);
    // A try whose encoder does not start must not measure an earlier try's stream.
    removeFileIfExists(work_.workFile(files.stream));
    removeFileIfExists(work_.workFile(files.rawPicture));
    const std::string batchPath = work_.workFile(files.batch);
    requireFolderInPlace(work_.TempDirDescriptor, work_.TempDir);
    auto batch = std::make_shared<FileDescriptor>(
        writeBatchFile(work_.TempDirDescriptor, batchPath, batchLines_(setting, files)));

    Run run;
    run.setting = setting;
    run.slot = slot;
    ToolCommand command = batchFileCommand(batchPath);
    command.scriptDescriptor = batch->get();
    run.tool = toolName(command);
    run.control = std::make_shared<WorkControl>();
    run.control->toolTimeout = work_.Control->toolTimeout;
    // Nothing a try writes may pass what any picture could be.
    OutputLimit limit{{work_.workFile(files.stream), work_.workFile(files.rawPicture)},
                      kLargestToolOutput};
    run.ended = std::async(std::launch::async, [command, batch, control = run.control,
                                                signal = signal_, limit = std::move(limit)] {
        ToolRun ended = runTool(command, *control, limit);
        {
            const std::lock_guard lock(signal->mutex);
            ++signal->ends;
        }
        signal->changed.notify_all();
        return ended;
    });
    runs_.push_back(std::move(run));
}

void EncoderTries::waitForAnEnd() {
    std::unique_lock lock(signal_->mutex);
    signal_->changed.wait_for(lock, kCancelWatch, [this] { return signal_->ends != endsSeen_; });
    endsSeen_ = signal_->ends;
}

void EncoderTries::keepEndedRuns() {
    for (auto run = runs_.begin(); run != runs_.end();) {
        if (run->ended.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            ++run;
            continue;
        }
        const ToolRun ended = run->ended.get();
        // A run stopped because the search went past it says nothing.
        const bool stoppedUnwanted = run->abandoned && ended.end != ToolEnd::Finished;
        if (!stoppedUnwanted) {
            TryOutcome outcome;
            outcome.end = ended.end;
            outcome.stoppedTool = ended.stillRunning.empty() ? run->tool : ended.stillRunning;
            const TryFiles files = tryFiles(run->slot, mpeg2_);
            outcome.batchFile = files.batch;
            const std::string stream = work_.workFile(files.stream);
            // Read from the folder as opened: never a file put in its place.
            WorkFileRead made;
            if (ended.outgrown.empty())
                made = readWorkFileIn(work_.TempDirDescriptor, stream, kLargestToolOutput);
            const bool outgrown = !ended.outgrown.empty() || made.tooLarge;
            if (outgrown) {
                // Never read: it could take all the memory there is.
                outcome.outgrownTool = fileNameOf(ended.outgrown) == files.rawPicture
                                           ? "pixmend"
                                           : (mpeg2_ ? "mpeg2enc" : "xvid_encraw");
                outcome.outgrownFile = fileNameOf(ended.outgrown.empty() ? stream : ended.outgrown);
                removeFileIfExists(work_.workFile(files.stream));
                removeFileIfExists(work_.workFile(files.rawPicture));
            } else if (ended.end == ToolEnd::Finished || ended.end == ToolEnd::NotStarted) {
                if (made.exists) outcome.stream = std::move(made.bytes);
            }
            outcomes_[run->setting] = std::move(outcome);
        }
        run = runs_.erase(run);
    }
}

void EncoderTries::cancelAll() {
    for (Run& run : runs_) run.control->requestCancel();
}

bool EncoderTries::running(std::int32_t setting) const {
    return std::any_of(runs_.begin(), runs_.end(), [setting](const Run& run) {
        return !run.abandoned && run.setting == setting;
    });
}

std::optional<int> EncoderTries::freeSlot() const {
    for (int slot = 0; slot < slots_; ++slot) {
        const bool taken = std::any_of(runs_.begin(), runs_.end(),
                                       [slot](const Run& run) { return run.slot == slot; });
        if (!taken) return slot;
    }
    return std::nullopt;
}

int triesAtOnce(const WorkSettings& work) {
    if (work.TriesAtOnce > 0) return work.TriesAtOnce;
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, 4u));
}

}  // namespace velmora
