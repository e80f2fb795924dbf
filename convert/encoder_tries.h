// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/session.h"
#include "convert/conversion_work_files.h"
#include "convert/dichotomy_search.h"
#include "convert/tool_run.h"

namespace velmora {

// How the try of one setting ended.
struct TryOutcome {
    ToolEnd end = ToolEnd::Finished;
    // For a stopped run: the program to name to the person.
    std::string stoppedTool;
    // The stream the try wrote; none when it wrote no file.
    std::optional<std::vector<std::uint8_t>> stream;
    // The work file of the batch that ran it.
    std::string batchFile;
    // A try whose output grew past what any picture could be: the program
    // that wrote it and the file (the output was not read); else empty.
    std::string outgrownTool;
    std::string outgrownFile;
};

// The encoder runs of one conversion. The search asks for one setting at a
// time; meanwhile the settings it will likely ask for next are encoded on the
// other processor cores, and every stream is kept, so that no setting is
// encoded twice. The encoders give the same stream for the same setting, so
// the search, its log and its result are those of tries run one by one.
class EncoderTries {
  public:
    // The batch lines of one try at this setting, writing the slot's files.
    using BatchLines = std::function<std::vector<std::string>(std::int32_t, const TryFiles&)>;

    EncoderTries(const WorkSettings& work, bool mpeg2, BatchLines batchLines, int runsAtOnce);
    ~EncoderTries();
    EncoderTries(const EncoderTries&) = delete;
    EncoderTries& operator=(const EncoderTries&) = delete;

    // The try of the search's current setting, once it has ended. A cancel
    // the person asks for meanwhile stops every run.
    [[nodiscard]] const TryOutcome& tryOf(const DichotomySearch& search, std::int64_t roomSize);

    // Stops the runs still going, waits for them, and removes the files of
    // every slot but the first.
    void stopAll();

  private:
    struct Run {
        std::int32_t setting = 0;
        int slot = 0;
        std::string tool;  // the batch file, for a stop that names no program
        std::shared_ptr<WorkControl> control;
        std::future<ToolRun> ended;
        bool abandoned = false;  // not wanted any more: stopped, its stream unused
    };
    // Wakes the waiting search when a run ends.
    struct EndSignal {
        std::mutex mutex;
        std::condition_variable changed;
        std::uint64_t ends = 0;
    };

    void runWantedSettings(const DichotomySearch& search, std::int64_t roomSize);
    void start(std::int32_t setting, int slot);
    void waitForAnEnd();
    void keepEndedRuns();
    void cancelAll();
    [[nodiscard]] bool running(std::int32_t setting) const;
    [[nodiscard]] std::optional<int> freeSlot() const;

    const WorkSettings& work_;
    bool mpeg2_;
    BatchLines batchLines_;
    int slots_;
    std::map<std::int32_t, TryOutcome> outcomes_;
    std::vector<Run> runs_;
    std::shared_ptr<EndSignal> signal_ = std::make_shared<EndSignal>();
    std::uint64_t endsSeen_ = 0;
};

// How many tries a conversion runs at once: the TriesAtOnce setting, or one for each
// processor core when that is 0 (at most four: the search rarely has more
// likely settings ahead).
[[nodiscard]] int triesAtOnce(const WorkSettings& work);

}  // namespace velmora
