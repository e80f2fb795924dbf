// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/fingerprint.h"

#include <xxhash.h>

#include <new>

namespace velmora {

std::uint64_t fingerprint(std::span<const std::uint8_t> bytes) {
    return XXH3_64bits(bytes.data(), bytes.size());
}

struct Fingerprinter::State {
    XXH3_state_t* xxh = nullptr;
};

Fingerprinter::Fingerprinter() : state_(std::make_unique<State>()) {
    state_->xxh = XXH3_createState();
    if (state_->xxh == nullptr) throw std::bad_alloc();
    XXH3_64bits_reset(state_->xxh);
}

Fingerprinter::~Fingerprinter() {
    XXH3_freeState(state_->xxh);
}

void Fingerprinter::add(std::span<const std::uint8_t> bytes) {
    XXH3_64bits_update(state_->xxh, bytes.data(), bytes.size());
}

std::uint64_t Fingerprinter::digest() const {
    return XXH3_64bits_digest(state_->xxh);
}

}  // namespace velmora
