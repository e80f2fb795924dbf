// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/builtin_conversion.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "convert/conversion_work_files.h"
#include "convert/quality_search.h"
#include "firmware/file_io.h"
#include "firmware/work_file.h"
#include "media/stream_extraction.h"

namespace velmora {
namespace {

constexpr auto kCancelPoll = std::chrono::milliseconds(5);

// One encode on a thread of its own, so that a cancel need not wait for it:
// the encode then finishes unseen and frees what it holds.
std::optional<std::vector<std::uint8_t>> encodeWatched(
    const std::shared_ptr<const PictureEncoder>& encoder, const EncoderSetting& setting,
    const WorkControl& control) {
    struct Pending {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        std::optional<std::vector<std::uint8_t>> stream;
    };
    auto pending = std::make_shared<Pending>();
    std::thread([encoder, pending, setting] {
        std::optional<std::vector<std::uint8_t>> stream = encoder->encode(setting);
        const std::lock_guard lock(pending->mutex);
        pending->stream = std::move(stream);
        pending->finished = true;
        pending->done.notify_all();
    }).detach();
    std::unique_lock lock(pending->mutex);
    while (!pending->done.wait_for(lock, kCancelPoll, [&] { return pending->finished; }))
        if (control.cancelRequested()) return std::nullopt;
    return std::move(pending->stream);
}

std::string tryLine(const EncoderSetting& setting, std::int64_t size) {
    char lambda[32];
    std::snprintf(lambda, sizeof lambda, "%.2f",
                  static_cast<double>(setting.lambda) / kLambdaPerQuantiser);
    // A fractional quantiser is all there is to say; a whole one has its lambda.
    if (setting.quantiser == 0)
        return "Converting using quantizer " + std::string(lambda) +
               (setting.detailTable ? "" : " and the first intra table") +
               " - file size= " + std::to_string(size);
    return "Converting using quantizer " + std::to_string(setting.quantiser) + " lambda " + lambda +
           " - file size= " + std::to_string(size);
}

Outcome cannotConvert(Dialogs& ui) {
    ui.log(
        "Sorry, I can not convert image into MPEG4...\rYou can try to convert it with other "
        "converters.");
    return Outcome::refused(kErrorCaption, "Sorry, I can not convert image into MPEG4...!");
}

Outcome creationFailed() {
    return Outcome::refused("Error!", "Error with target file creation!");
}

}  // namespace

std::int64_t streamLimit(const OldStreamParameters& old, std::int32_t roomSize) {
    std::int64_t limit = roomSize;
    if (old.mpeg2 && old.sequence.vbvBytes() > 0) limit = std::min(limit, old.sequence.vbvBytes());
    return limit;
}

Result<std::vector<std::uint8_t>> encodeToFit(const OldStreamParameters& old,
                                              const PreparedPhoto& photo, std::int64_t limit,
                                              Dialogs& ui, const WorkControl& control) {
    std::shared_ptr<const PictureEncoder> encoder;
    try {
        encoder = std::make_shared<const PictureEncoder>(old, photo);
    } catch (const PreparationError&) {
        return creationFailed();
    }
    QualitySearchSteps steps;
    steps.encode = [&](const EncoderSetting& setting) {
        return encodeWatched(encoder, setting, control);
    };
    steps.cancelled = [&] { return control.cancelRequested(); };
    steps.tried = [&](const EncoderSetting& setting, std::int64_t size, int tryNumber,
                      int mostTries) {
        ui.progress(tryNumber * 100 / mostTries);
        ui.log(tryLine(setting, size));
        ui.repaintLog();
    };
    // MPEG-2 may carry its own intra matrix: the quantiser then takes any
    // value in between, and the stream meets the room closely.
    QualitySearchLimits limits;
    limits.continuousQuantiser = old.mpeg2;
    limits.chooseIntraTable = old.mpeg2 && old.sequence.hasExtension;
    QualitySearchResult found = searchQuality(limit, steps, limits);
    switch (found.end) {
        case SearchEnd::Found:
            return std::move(found.stream);
        case SearchEnd::Cancelled:
            return Outcome::cancelled();
        case SearchEnd::EncoderFailed:
            return creationFailed();
        case SearchEnd::NothingFits:
            break;
    }
    return cannotConvert(ui);
}

std::optional<OldStreamParameters> oldPictureParameters(const OpenedFirmware& firmware,
                                                        const PictureEntry& entry) {
    try {
        const ByteImage stored = readImageFile(firmware.FirmwarePath);
        return readOldStreamParameters(extractPictureStream(stored, entry, firmware.ByteSwapped),
                                       entry.isMpeg2());
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

Result<ConvertedStream> convertJpegBuiltin(const ConversionInput& input, Dialogs& ui,
                                           const PictureEntry& entry, std::int32_t roomSize) {
    const WorkSettings& work = input.settings;
    const std::string streamPath = work.workFile(entry.isMpeg2() ? kMpeg2Result : kMpeg4Result);
    // A result of an earlier conversion must not stand in for this one.
    removeFileIfExists(streamPath);
    const std::optional<OldStreamParameters> old = oldPictureParameters(input.firmware, entry);
    if (!old) return creationFailed();
    PreparedPhoto photo;
    try {
        const WorkControl& control = *work.Control;
        photo = preparePhoto(input.SourcePath, input.Options, {old->width, old->height},
                             fractionOf(old->aspect()),
                             [&control] { return control.cancelRequested(); });
    } catch (const PreparationError&) {
        // A cancel stops the preparation midway; that is no failure to report.
        if (work.Control->cancelRequested()) return Outcome::cancelled();
        return creationFailed();
    }
    if (work.Control->cancelRequested()) return Outcome::cancelled();
    ui.log("Begin to convert JPEG image using Dichotomy method.");
    Result<std::vector<std::uint8_t>> stream =
        encodeToFit(*old, photo, streamLimit(*old, roomSize), ui, *work.Control);
    if (!stream.ok()) return stream.outcome();
    writeWorkFile(streamPath, *stream);
    ui.progress(100);
    ui.log("Finished!");
    return ConvertedStream{streamPath, 0};
}

}  // namespace velmora
