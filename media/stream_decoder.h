// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

struct AVFrame;

namespace velmora {

enum class VideoCodec { Mpeg2, Mpeg4 };

// A video elementary stream (MPEG-1/MPEG-2, or MPEG-4 Part 2) decoded picture
// by picture with libavcodec: the preview's decoder and the replacement's check.
class StreamDecoder {
  public:
    explicit StreamDecoder(VideoCodec codec);
    ~StreamDecoder();
    StreamDecoder(const StreamDecoder&) = delete;
    StreamDecoder& operator=(const StreamDecoder&) = delete;

    // Hands every decoded picture to `picture` until it returns false or the
    // stream (and what the decoder still holds) is used up.
    void decode(std::span<const std::uint8_t> stream,
                const std::function<bool(const AVFrame&)>& picture);

    // Why the stream could not be decoded; empty when nothing went wrong.
    [[nodiscard]] const std::string& failure() const { return failure_; }

  private:
    struct Parts;
    // Feeds data to the parser and decodes the picture it completes; false
    // when the stream cannot be parsed.
    bool parse(const std::uint8_t* data, int size, int& used);
    // Hands out the decoded pictures; false once `picture` asked to stop.
    bool receive();

    std::unique_ptr<Parts> parts_;
    std::string failure_;
    const std::function<bool(const AVFrame&)>* picture_ = nullptr;
    bool stopped_ = false;
};

struct DecodedPictures {
    int count = 0;  // pictures the decoder handed out
    int width = 0;  // of the first one
    int height = 0;
};

// Decodes a whole stream and counts the pictures it holds.
[[nodiscard]] DecodedPictures countDecodedPictures(std::span<const std::uint8_t> stream,
                                                   VideoCodec codec);

}  // namespace velmora
