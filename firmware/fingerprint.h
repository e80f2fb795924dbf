// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace velmora {

// A 64-bit digest (XXH3): tells whether a file changed between the analysis
// and a replacement.
[[nodiscard]] std::uint64_t fingerprint(std::span<const std::uint8_t> bytes);

// The same digest taken piece by piece while a file is read.
class Fingerprinter {
  public:
    Fingerprinter();
    ~Fingerprinter();
    Fingerprinter(const Fingerprinter&) = delete;
    Fingerprinter& operator=(const Fingerprinter&) = delete;

    void add(std::span<const std::uint8_t> bytes);
    // fingerprint() of everything added so far.
    [[nodiscard]] std::uint64_t digest() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace velmora
