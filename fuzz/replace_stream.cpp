// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>
#include <vector>

#include "catalogue/analysis.h"
#include "firmware/file_io.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/work_folder.h"
#include "person/silent_dialogs.h"
#include "rewrite/replace_picture.h"
#include "tests/fixtures/standard_fixtures.h"

namespace velmora::fuzz {
namespace {

// Answers "Move picture?" and "Confirmation" as the input says.
class AnsweringDialogs : public SilentDialogs {
  public:
    AnsweringDialogs(bool move, bool confirm) : move_(move), confirm_(confirm) {}
    Answer ask(Question question, const std::string&, const std::string&) override {
        return (question == Question::MovePicture ? move_ : confirm_) ? Answer::Yes : Answer::No;
    }

  private:
    bool move_;
    bool confirm_;
};

const std::vector<std::uint8_t>& standardImage() {
    static const std::vector<std::uint8_t> image = fixtures::standardFirmware().image;
    return image;
}

}  // namespace

int replaceWithStream(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::string firmware = joinPath(workFolder(), "fw.bin");
    const std::string source = joinPath(workFolder(), "clip.m2v");
    writeWholeFile(firmware, standardImage());
    writeWholeFile(source, std::vector<std::uint8_t>(data + 2, data + size));

    Session session;
    session.TempDir = workFolder();
    SilentDialogs quiet;
    if (!analyzeFirmware(session, quiet, firmware).isDone() || !session.PicturesFound) std::abort();
    session.SelectedPicture = data[0] % session.PictureCount;
    session.Options.UseSpareSpace = (data[1] & 1) != 0;
    session.SourcePath = source;
    session.SourceOpened = true;

    AnsweringDialogs ui((data[1] & 2) != 0, (data[1] & 4) != 0);
    const auto noConversion = [](const ConversionInput&, Dialogs&, const PictureEntry&,
                                 std::int32_t) -> Result<ConvertedStream> {
        return Outcome::refused("Error!", "no conversion here");
    };
    const bool replaced =
        replacePicture(selectedPicture(session), session, session.Options, ui, noConversion)
            .outcome.isDone();
    const ByteImage after = readImageFile(firmware);
    if (after.size() != static_cast<std::int64_t>(standardImage().size())) std::abort();
    if (!replaced && after.bytes() != standardImage()) std::abort();  // a refusal writes nothing
    if (replaced) {
        Session again;
        again.TempDir = workFolder();
        (void)analyzeFirmware(again, quiet, firmware);
    }
    return 0;
}

}  // namespace velmora::fuzz
