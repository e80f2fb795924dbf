#include "catalogue/working_copy.h"

#include "firmware/byte_order.h"
#include "firmware/file_io.h"

namespace velmora {

ByteImage prepareWorkingImage(Session& session, Dialogs& ui, ByteImage stored) {
    session.FirstWord = stored.u16(0);
    session.ByteSwapped = isByteSwappedFirstWord(session.FirstWord);
    if (!session.ByteSwapped) return stored;

    ui.log("Firmware is byte-swapped, preparing for anlysis...");
    session.FirstWord = swapBytes(session.FirstWord);
    // A swapped dump is a whole number of words; the last one of an odd-sized
    // file cannot be read. Nothing is written then.
    if (stored.size() % 2 != 0) stored.require(stored.size() - 1, 2, "Read");
    std::vector<std::uint8_t> normalised = swapWordBytes(stored.bytes());
    const std::string copyPath = session.workFile(kWorkingCopy);
    writeFileAtomically(copyPath, normalised);
    ui.log("Preparing done!");
    return ByteImage(fileNameOf(copyPath), std::move(normalised));
}

}  // namespace velmora
