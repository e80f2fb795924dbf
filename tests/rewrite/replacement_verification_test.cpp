// SPDX-License-Identifier: GPL-3.0-or-later
// The checks before a replacement is written, each shown firing on a fault
// injected into what the real writer produced.
#include "rewrite/replacement_verification.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue/analysis.h"
#include "firmware/byte_order.h"
#include "person/silent_dialogs.h"
#include "rewrite/byte_order_restore.h"
#include "rewrite/image_checksum.h"
#include "rewrite/mpeg2_placement.h"
#include "rewrite/mpeg4_placement.h"
#include "rewrite/structure.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using fixtures::Bytes;
using testing::readFile;

enum class Form { Bin, Swapped, Img };

const fixtures::Fixture& standard() {
    static const fixtures::Fixture fixture = fixtures::standardFirmware();
    return fixture;
}

// One replacement laid out by the real writer, in memory, ready to be checked
// and then spoiled.
struct Written {
    testing::TempDir dir;
    Session session;
    ByteImage before;
    ByteImage changed;
    Bytes stored;
    ReplacementPlan plan;
    Bytes stream;
    FreeSpace after;

    Written(Form form, int picture, Bytes newStream, bool moved) : stream(std::move(newStream)) {
        Bytes file = standard().image;
        if (form != Form::Bin) file = fixtures::withImageChecksum(file);
        if (form == Form::Swapped) file = fixtures::byteSwapped(file);
        const std::string name = form == Form::Img ? "update.img" : "dump.bin";
        session.TempDir = dir.path();
        SilentDialogs quiet;
        EXPECT_TRUE(analyzeFirmware(session, quiet, dir.write(name, file)).isDone());
        before = ByteImage("image", session.ByteSwapped ? swapWordBytes(file) : file);
        session.SelectedPicture = picture;
        const PictureEntry& e = *session.selected();
        plan.entry = e;
        plan.moved = moved;
        plan.freeSpaceAddr = session.FreeSpaceAddr;
        plan.freeSpaceSize = session.FreeSpaceSize;
        plan.segmentBase = session.SegmentBase;
        plan.streamLength = static_cast<std::int64_t>(stream.size());
        plan.updateImage = form == Form::Img;
        plan.imageSize = before.size();
        write(stream);
    }

    // What the writer does, here with any stream (a fault may hand it a wrong one).
    void write(const Bytes& what) {
        changed = before;
        const FreeSpace free{session.FreeSpaceAddr, session.FreeSpaceSize};
        const PictureEntry& e = plan.entry;
        SilentDialogs quiet;
        if (e.isMpeg2()) {
            const Mpeg2Layout layout = placeMpeg2(changed, e, what, plan.moved, free.FreeSpaceAddr);
            after = plan.moved ? recreateMpeg2Structure(changed, e, session.SegmentBase, free,
                                                        layout.TailEnd)
                               : free;
        } else {
            const Mpeg4Layout layout = placeMpeg4(changed, e, what, plan.moved, free.FreeSpaceAddr);
            after = recreateMpeg4Structure(changed, quiet, e, session.SegmentBase, plan.moved, free,
                                           layout.StreamLength, layout.NextFree);
        }
        store();
    }

    // The checksum and the stored byte order, from the changed image.
    void store() {
        if (plan.updateImage) (void)writeImageChecksum(changed);
        stored = session.ByteSwapped ? restoreStoredOrder(changed) : changed.bytes();
    }

    [[nodiscard]] std::optional<VerificationFailure> verify() const {
        return verifyReplacement(
            {before, changed, stored, plan, stream,
             std::span(session.PictureTable).first(static_cast<std::size_t>(session.PictureCount)),
             session.SelectedPicture, session.ByteSwapped, after.FreeSpaceAddr});
    }
};

std::string checkOf(const std::optional<VerificationFailure>& f) {
    return f ? f->check : "none";
}

Bytes newStreamFor(int picture) {
    static const Bytes mpeg2 = fixtures::mpeg2Still(352, 288, false, 2000);
    static const Bytes mpeg4 = fixtures::mpeg4Still(352, 288);
    return standard().entries[static_cast<std::size_t>(picture)].isMpeg2() ? mpeg2 : mpeg4;
}

TEST(ReplacementVerification, WhatTheWriterMakesPassesEveryCheck) {
    for (const Form form : {Form::Bin, Form::Swapped, Form::Img})
        for (int picture = 0; picture < 4; ++picture)
            for (const bool moved : {false, true}) {
                const Written w(form, picture, newStreamFor(picture), moved);
                const auto failure = w.verify();
                EXPECT_FALSE(failure) << "form " << static_cast<int>(form) << " picture "
                                      << picture + 1 << (moved ? " moved: " : " in place: ")
                                      << checkOf(failure) << ": " << (failure ? failure->text : "");
            }
}

TEST(ReplacementVerification, ARecordOneByteOffIsFound) {
    {
        Written w(Form::Bin, 2, newStreamFor(2), false);  // MPEG-4: its pointer
        const std::int64_t at = w.plan.entry.PointerAddr;
        w.changed.put8(at, static_cast<std::uint8_t>(w.changed.u8(at) + 1));
        w.stored = w.changed.bytes();
        EXPECT_EQ(checkOf(w.verify()), "records");
    }
    {
        Written w(Form::Swapped, 0, newStreamFor(0), true);  // MPEG-2 moved: its sector table
        const Mpeg2Layout layout =
            planMpeg2(w.plan.entry, w.plan.streamLength, true, w.plan.freeSpaceAddr);
        w.changed.put8(layout.TailEnd + 4,
                       static_cast<std::uint8_t>(w.changed.u8(layout.TailEnd + 4) + 1));
        w.stored = restoreStoredOrder(w.changed);
        EXPECT_EQ(checkOf(w.verify()), "records");
    }
    {
        Written w(Form::Bin, 3, newStreamFor(3), true);  // MPEG-4 moved: its size record
        w.changed.put8(w.plan.entry.RoomEnd + 3,
                       static_cast<std::uint8_t>(w.changed.u8(w.plan.entry.RoomEnd + 3) + 1));
        w.stored = w.changed.bytes();
        EXPECT_EQ(checkOf(w.verify()), "records");
    }
}

TEST(ReplacementVerification, AStreamCutShortIsFound) {
    for (const int picture : {0, 1}) {
        Written w(Form::Bin, picture, newStreamFor(picture), false);
        Bytes shorter = w.stream;
        shorter.resize(shorter.size() - 100);
        w.write(shorter);
        EXPECT_EQ(checkOf(w.verify()), "new picture") << picture + 1;
    }
    Written w(Form::Img, 2, newStreamFor(2), true);
    Bytes shorter = w.stream;
    shorter.resize(shorter.size() - 100);
    w.write(shorter);
    EXPECT_EQ(checkOf(w.verify()), "records") << "the chunk length tells the shorter stream";
}

TEST(ReplacementVerification, AStrayWriteIntoANeighbouringPictureIsFound) {
    for (const Form form : {Form::Bin, Form::Swapped}) {
        Written w(form, 1, newStreamFor(1), false);
        const PictureEntry& neighbour = w.session.PictureTable[2];
        w.changed.put8(neighbour.Start + 40,
                       static_cast<std::uint8_t>(~w.changed.u8(neighbour.Start + 40)));
        w.store();
        const auto failure = w.verify();
        EXPECT_EQ(checkOf(failure), "other pictures");
        EXPECT_NE(failure->text.find("picture 3"), std::string::npos) << failure->text;
    }
}

TEST(ReplacementVerification, AStrayWriteAnywhereElseIsFound) {
    Written w(Form::Bin, 0, newStreamFor(0), false);
    w.changed.put8(0x200, static_cast<std::uint8_t>(~w.changed.u8(0x200)));
    w.store();
    EXPECT_EQ(checkOf(w.verify()), "unchanged bytes");
}

TEST(ReplacementVerification, AWrongChecksumIsFound) {
    Written w(Form::Img, 1, newStreamFor(1), true);
    const std::int64_t last = w.changed.size() - 1;
    w.changed.put8(last, static_cast<std::uint8_t>(w.changed.u8(last) + 1));
    w.stored = w.changed.bytes();
    EXPECT_EQ(checkOf(w.verify()), "checksum");
}

TEST(ReplacementVerification, AStoredOrderThatDoesNotSwapBackIsFound) {
    Written w(Form::Swapped, 2, newStreamFor(2), false);
    std::swap(w.stored[0x1000], w.stored[0x1001]);
    EXPECT_EQ(checkOf(w.verify()), "byte order");
}

TEST(ReplacementVerification, SpillingPastTheRoomIntoUsedFlashIsRefused) {
    // Picture 1's sector table and pointer record lie right behind its room.
    const PictureEntry& e = standard().entries[0];
    Bytes longer = newStreamFor(0);
    longer.resize(static_cast<std::size_t>(e.DataSize + e.Spare + 6000), 0x00);
    ASSERT_GT(static_cast<std::int64_t>(longer.size()), std::int64_t{e.DataSize} + e.Spare + 4096);
    Written w(Form::Bin, 0, longer, false);
    EXPECT_EQ(checkOf(w.verify()), "room");
}

TEST(ReplacementVerification, AStreamThatDecodesToNoPictureIsRefused) {
    // The headers and the end code, without the picture between them.
    Bytes broken = newStreamFor(0);
    const Bytes pictureStart{0x00, 0x00, 0x01, 0x00};
    broken.erase(
        std::search(broken.begin(), broken.end(), pictureStart.begin(), pictureStart.end()),
        broken.end());
    broken.insert(broken.end(), {0x00, 0x00, 0x01, 0xB7});
    const Written w(Form::Bin, 0, broken, true);
    EXPECT_EQ(checkOf(w.verify()), "decoding");
}

TEST(ChangedRegions, EveryByteTheWriterChangesLiesInARegionOfTheStoredFile) {
    for (const Form form : {Form::Bin, Form::Swapped, Form::Img})
        for (int picture = 0; picture < 4; ++picture)
            for (const bool moved : {false, true}) {
                const Written w(form, picture, newStreamFor(picture), moved);
                const auto regions = storedRegions(plannedRegions(w.plan), w.session.ByteSwapped);
                const Bytes original = readFile(w.session.FirmwarePath);
                ASSERT_EQ(original.size(), w.stored.size());
                for (std::size_t p = 0; p < original.size(); ++p) {
                    if (original[p] == w.stored[p]) continue;
                    const bool covered =
                        std::any_of(regions.begin(), regions.end(), [&](const ChangedRegion& r) {
                            return static_cast<std::int64_t>(p) >= r.offset &&
                                   static_cast<std::int64_t>(p) < r.offset + r.length;
                        });
                    ASSERT_TRUE(covered) << "form " << static_cast<int>(form) << " picture "
                                         << picture + 1 << " byte " << p;
                }
                if (w.session.ByteSwapped) {
                    for (const ChangedRegion& r : regions)
                        EXPECT_TRUE(r.offset % 2 == 0 && r.length % 2 == 0) << regionLine(r);
                }
            }
}

TEST(ChangedRegions, ALineGivesTheOffsetTheLengthAndWhatItIs) {
    EXPECT_EQ(regionLine({0x1F400, 2048, "picture stream"}), "0x0001F400 2048 picture stream");
    const auto widened =
        storedRegions({{0x101, 4, "pointer record"}, {0x200, 5, "size record"}}, true);
    EXPECT_EQ(regionLine(widened[0]), "0x00000100 6 pointer record");
    EXPECT_EQ(regionLine(widened[1]), "0x00000200 6 size record");
}

}  // namespace
}  // namespace velmora
