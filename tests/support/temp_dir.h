// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::testing {

// A fresh folder under the system temporary folder, removed with everything
// in it when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::string& path() const { return path_; }
    [[nodiscard]] std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    std::string writeText(const std::string& name, const std::string& text) const;

  private:
    std::string path_;
};

[[nodiscard]] std::vector<std::uint8_t> readFile(const std::string& path);

}  // namespace velmora::testing
