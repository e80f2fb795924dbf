#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace velmora {

// The stream each encoder setting of one conversion gave, by setting.
class TriedStreams {
  public:
    // The stream of an earlier try with this setting; nullptr when there was none.
    [[nodiscard]] const std::vector<std::uint8_t>* find(std::int32_t setting) const {
        const auto it = streams_.find(setting);
        return it == streams_.end() ? nullptr : &it->second;
    }
    void keep(std::int32_t setting, std::vector<std::uint8_t> stream) {
        streams_[setting] = std::move(stream);
    }

  private:
    std::map<std::int32_t, std::vector<std::uint8_t>> streams_;
};

}  // namespace velmora
