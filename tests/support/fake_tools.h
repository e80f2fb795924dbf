// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace velmora::testing {

// Small sh scripts named like the conversion tools, in a folder of their own.
// They pass the picture along as the real ones would and write streams whose
// size follows a shell arithmetic expression of the setting s (bitrate or
// quantizer); the MPEG-4 encoder adds its ten header bytes. Every call is
// recorded as "tool [arg] [arg] ..." in calls.log beside them.
class FakeTools {
  public:
    FakeTools(const std::string& folder, const std::string& streamSizeOfSetting);

    [[nodiscard]] const std::string& folder() const { return folder_; }
    // From now on each encoder run first sleeps this long, as a slow encoder.
    void slowEncoders(const std::string& seconds) const;
    // The recorded calls, one line each, in order.
    [[nodiscard]] std::vector<std::string> calls() const;
    // The settings the encoder was called with, in order.
    [[nodiscard]] std::vector<int> encoderSettings() const;

  private:
    void writeTool(const std::string& name, const std::string& body) const;

    std::string folder_;
};

}  // namespace velmora::testing
