// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/builtin_conversion.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "convert/conversion_work_files.h"
#include "convert/quality_search.h"
#include "firmware/file_io.h"
#include "firmware/work_file.h"
#include "firmware/work_folder_files.h"
#include "media/stream_extraction.h"

namespace velmora {
namespace {

constexpr auto kCancelPoll = std::chrono::milliseconds(5);

// The jobs on threads of their own, side by side, so that a cancel need not
// wait for them: they then finish unseen and free what they hold (each job
// holds what it works on). All nothing when the person cancelled.
template <typename T>
std::vector<std::optional<T>> runWatched(std::vector<std::function<std::optional<T>()>> jobs,
                                         const WorkControl& control) {
    struct Pending {
        std::mutex mutex;
        std::condition_variable done;
        std::size_t finished = 0;
        std::vector<std::optional<T>> results;
    };
    auto pending = std::make_shared<Pending>();
    pending->results.resize(jobs.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        std::thread([pending, job = std::move(jobs[i]), i] {
            std::optional<T> result = job();
            const std::lock_guard lock(pending->mutex);
            pending->results[i] = std::move(result);
            ++pending->finished;
            pending->done.notify_all();
        }).detach();
    }
    const std::size_t count = pending->results.size();
    std::unique_lock lock(pending->mutex);
    while (!pending->done.wait_for(lock, kCancelPoll, [&] { return pending->finished == count; }))
        if (control.cancelRequested()) return std::vector<std::optional<T>>(count);
    return std::move(pending->results);
}

std::vector<QualitySearchSteps::Stream> encodeWatched(
    const std::shared_ptr<const PictureEncoder>& encoder,
    const std::vector<EncoderSetting>& settings, const WorkControl& control) {
    std::vector<std::function<QualitySearchSteps::Stream()>> jobs;
    for (const EncoderSetting& setting : settings)
        jobs.emplace_back([encoder, setting] { return encoder->encode(setting); });
    return runWatched(std::move(jobs), control);
}

// The plain encodes are this much larger than the tuned ones at the same
// quantiser, within some 2 % (MPEG-4) and 4 % (MPEG-2) on every photo measured.
constexpr double kTunedToPlainMpeg4 = 0.89;
constexpr double kTunedToPlainMpeg2 = 0.945;
constexpr int kPlainFine = 3;
constexpr int kPlainCoarse = 6;

// The first tries, guessed from two plain encodes: the size follows a power
// of lambda, whose exponent the two give.
void guessFirstTries(const PictureEncoder& encoder, std::int64_t limit, double tunedToPlain,
                     QualitySearchLimits& limits) {
    std::optional<std::int64_t> fine;
    std::thread other([&] { fine = encoder.plainSize(kPlainFine); });
    const std::optional<std::int64_t> coarse = encoder.plainSize(kPlainCoarse);
    other.join();
    if (!fine || !coarse || *fine <= *coarse) return;
    const double steepness = std::log(static_cast<double>(*fine) / static_cast<double>(*coarse)) /
                             std::log(static_cast<double>(kPlainCoarse) / kPlainFine);
    const double target = static_cast<double>(limit) * (1.0 + limits.goodEnough) / 2.0;
    const double first =
        kPlainFine * kLambdaPerQuantiser *
        std::pow(tunedToPlain * static_cast<double>(*fine) / target, 1.0 / steepness);
    limits.steepness = steepness;
    limits.firstLambda = static_cast<int>(
        std::clamp(std::lround(first), long{limits.finestLambda}, long{limits.coarsestLambda}));
    // The second aims some 3 % short: the two then mostly bound the limit.
    limits.firstSpread =
        std::pow(target / (0.965 * static_cast<double>(limit)), 1.0 / steepness) - 1;
}

// The whole picture is this much smaller than its two halves encoded apart
// (their rows lose the neighbours they predict from): 0.975-1.0 on every photo
// measured, and steady along lambda.
constexpr double kHalvesToWhole = 0.99;
// The two first tries then aim at the window and just under it.
constexpr double kSecondAim = 0.99;

// The picture's size, tuned, at this lambda, from its two halves encoded
// side by side: within about 1 %, in half the time of one try.
std::optional<double> sizeFromHalves(const std::shared_ptr<const PictureEncoder>& encoder,
                                     int lambda, const WorkControl& control) {
    const EncoderSetting setting{0, lambda, true};
    std::vector<std::function<std::optional<std::int64_t>()>> jobs;
    for (const int parity : {0, 1})
        jobs.emplace_back(
            [encoder, setting, parity] { return encoder->halfSize(setting, parity); });
    const std::vector<std::optional<std::int64_t>> halves = runWatched(std::move(jobs), control);
    if (!halves[0] || !halves[1]) return std::nullopt;  // cancelled, or the tries will tell
    return kHalvesToWhole * static_cast<double>(*halves[0] + *halves[1]);
}

// A guess this far from the target (in log size) is measured once more: the
// plain encodes' slope, which carries it there, is not the tuned encode's.
constexpr double kFarFromTarget = 0.025;

// The first tries aimed from the halves: the whole picture's size at the
// first guess within about 1 %, where the plain encodes miss it by up to
// 10 %. When that guess lies far from the target, halves at the corrected
// lambda give the tuned encode's own slope, and the first tries then land
// near the window, where they would otherwise fall short of it.
void aimWithHalves(const std::shared_ptr<const PictureEncoder>& encoder, std::int64_t limit,
                   const WorkControl& control, QualitySearchLimits& limits) {
    const double target = static_cast<double>(limit) * (1.0 + limits.goodEnough) / 2.0;
    const auto clamped = [&limits](double lambda) {
        return static_cast<int>(std::clamp(std::lround(lambda), long{limits.finestLambda},
                                           long{limits.coarsestLambda}));
    };
    const int guess = limits.firstLambda;
    const std::optional<double> atGuess = sizeFromHalves(encoder, guess, control);
    if (!atGuess) return;
    int first = clamped(guess * std::pow(*atGuess / target, 1.0 / limits.steepness));
    if (std::abs(std::log(*atGuess / target)) > kFarFromTarget && first != guess) {
        const std::optional<double> atFirst = sizeFromHalves(encoder, first, control);
        if (!atFirst) return;
        const double slope =
            std::log(*atGuess / *atFirst) / std::log(static_cast<double>(first) / guess);
        if (std::isfinite(slope) && slope > 0.2 && slope < 4.0) limits.steepness = slope;
        first = clamped(first * std::pow(*atFirst / target, 1.0 / limits.steepness));
    }
    limits.firstLambda = first;
    limits.firstSpread =
        std::pow(target / (kSecondAim * static_cast<double>(limit)), 1.0 / limits.steepness) - 1;
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
                                              Dialogs& ui, const WorkControl& control,
                                              EncoderSetting* kept) {
    std::shared_ptr<const PictureEncoder> encoder;
    try {
        encoder = std::make_shared<const PictureEncoder>(old, photo);
    } catch (const PreparationError&) {
        return creationFailed();
    }
    QualitySearchSteps steps;
    steps.encode = [&](const std::vector<EncoderSetting>& settings) {
        return encodeWatched(encoder, settings, control);
    };
    steps.cancelled = [&] { return control.cancelRequested(); };
    steps.tried = [&](const EncoderSetting& setting, std::int64_t size, int tryNumber,
                      int mostTries) {
        ui.progress(tryNumber * 100 / mostTries);
        ui.log(tryLine(setting, size));
        ui.repaintLog();
    };
    // Lambda takes any value in between whole quantisers (MPEG-2 through its
    // own intra matrix, MPEG-4 through each macroblock's quantiser), and the
    // stream meets the room closely. An MPEG-2 encode uses both cores itself;
    // MPEG-4 tries run two side by side.
    QualitySearchLimits limits;
    limits.chooseIntraTable = old.mpeg2 && old.sequence.hasExtension;
    limits.sideBySide = old.mpeg2 ? 1 : 2;
    // MPEG-4 sizes wander by some tenths of a percent between neighbouring
    // settings; stopping at 99.5 % of the limit spends the room as closely as
    // the tuned whole-quantiser encode does at a few more tries.
    if (!old.mpeg2) limits.goodEnough = 0.995;
    guessFirstTries(*encoder, limit, old.mpeg2 ? kTunedToPlainMpeg2 : kTunedToPlainMpeg4, limits);
    if (!old.mpeg2) aimWithHalves(encoder, limit, control, limits);
    QualitySearchResult found = searchQuality(limit, steps, limits);
    switch (found.end) {
        case SearchEnd::Found:
            if (kept != nullptr) *kept = found.setting;
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
    static_cast<void>(writeWorkFileIn(work.TempDirDescriptor, streamPath, *stream));
    ui.progress(100);
    ui.log("Finished!");
    return ConvertedStream{streamPath, 0};
}

}  // namespace velmora
