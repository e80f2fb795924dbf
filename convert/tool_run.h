// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string>

#include "catalogue/work_control.h"
#include "convert/run_and_wait.h"

namespace velmora {

enum class ToolEnd {
    Finished,    // the program ended by itself (its exit status is not looked at)
    NotStarted,  // it could not be started
    Cancelled,   // the person cancelled; it was stopped
    TimedOut,    // it ran longer than the limit; it was stopped
};

struct ToolRun {
    ToolEnd end = ToolEnd::Finished;
    // For a stopped run: the programs of the group that were still running
    // (those of a pipeline that hung), comma-separated; else empty.
    std::string stillRunning;
};

// Starts the program as RunAndWait does, in a process group of its own (so a
// /bin/sh pipeline can be stopped whole), and waits for it while watching the
// control: on a cancel request or when control.toolTimeout has passed, the
// whole group is killed before this returns.
[[nodiscard]] ToolRun runTool(const ToolCommand& command, const WorkControl& control);

// The name the person knows the program by: the file name of the program,
// or of the script a /bin/sh command runs.
[[nodiscard]] std::string toolName(const ToolCommand& command);

// A limit no tool run reaches: RunAndWait waits as long as the tool runs.
inline constexpr std::chrono::milliseconds kNoToolTimeLimit = std::chrono::hours(24 * 365);

// The time limit of one tool run: VELMORA_TOOL_TIMEOUT in seconds (a positive
// number, fractions allowed), else 120 s.
[[nodiscard]] std::chrono::milliseconds toolTimeoutFrom(const char* environmentValue);

// The error box text of a tool stopped by the time limit.
[[nodiscard]] std::string toolTimeoutText(const std::string& tool, std::chrono::milliseconds limit);

}  // namespace velmora
