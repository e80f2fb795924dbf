// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/work_control.h"
#include "convert/tool_command.h"

namespace velmora {

enum class ToolEnd {
    Finished,    // the program ended by itself (its exit status is not looked at)
    NotStarted,  // it could not be started
    Cancelled,   // the person cancelled; it was stopped
    TimedOut,    // it ran longer than the limit; it was stopped
};

struct ToolRun {
    ToolRun(ToolEnd e = ToolEnd::Finished,  // NOLINT: an end alone is a run
            std::string running = {}, std::string grown = {})
        : end(e), stillRunning(std::move(running)), outgrown(std::move(grown)) {}

    ToolEnd end = ToolEnd::Finished;
    // For a stopped run: the programs of the group that were still running
    // (those of a pipeline that hung), comma-separated; else empty.
    std::string stillRunning;
    // The output that grew past the limit, when the run was stopped for it
    // (end is then Finished: what it left is judged by its size).
    std::string outgrown;
};

// The files a run writes that must not pass a size: more than any picture
// or stream could ever be. A run whose output passes it is stopped at once.
struct OutputLimit {
    std::vector<std::string> outputs;
    std::int64_t maxBytes = 0;  // 0: no limit
};

// What a tool may write for one picture at most: one frame of a DVD picture,
// as a stream or as a decoded picture, is far smaller.
inline constexpr std::int64_t kLargestToolOutput = 64LL << 20;

// Starts the program without a shell and without a console (standard input,
// output and error are /dev/null), in a process group of its own (so a
// /bin/sh pipeline can be stopped whole), and waits for it while watching the
// control: on a cancel request or when control.toolTimeout has passed, the
// whole group is killed before this returns; so it is when an output passes
// its limit. The group never outlives this program, however it ends: a
// watcher process kills it when the program is gone.
[[nodiscard]] ToolRun runTool(const ToolCommand& command, const WorkControl& control,
                              const OutputLimit& limit = {});

// The name the person knows the program by: the file name of the program,
// or of the script a /bin/sh command runs.
[[nodiscard]] std::string toolName(const ToolCommand& command);

// The time limit of one tool run: VELMORA_TOOL_TIMEOUT in seconds (a positive
// number, fractions allowed), else 120 s.
[[nodiscard]] std::chrono::milliseconds toolTimeoutFrom(const char* environmentValue);

// What is wrong with a VELMORA_TOOL_TIMEOUT that toolTimeoutFrom does not
// take, said so the person can mend it; nullopt when it is taken or unset.
[[nodiscard]] std::optional<std::string> toolTimeoutProblem(const char* environmentValue);

// The error box text of a tool whose output passed kLargestToolOutput.
[[nodiscard]] std::string toolOutputTooLargeText(const std::string& tool, const std::string& file);

// The error box text of a tool stopped by the time limit.
[[nodiscard]] std::string toolTimeoutText(const std::string& tool, std::chrono::milliseconds limit);

}  // namespace velmora
