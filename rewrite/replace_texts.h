// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The words "Replace Image" says to the person, exactly as the window shows
// them. A "\r" joins the two lines of a question box.
#include <cstddef>
#include <cstdint>
#include <string>

namespace velmora::replace_text {

inline constexpr const char* kErrorCaption = "ERROR!";

inline constexpr const char* kMoveCaption = "Move picture?";
inline constexpr const char* kMoveQuestion =
    "This image can be moved into unoccupied place in the flash.\r"
    "This can improve picture quality. Do You want to proceed?";

inline constexpr const char* kNoVideo = "The file do not contain any video!";
inline constexpr const char* kNoVolStartCode = "Can not find VOL_start_code!";
inline constexpr const char* kLargerLog = "This video larger then free space in the flash...";
inline constexpr const char* kConfirmCaption = "Confirmation";
inline constexpr const char* kConfirmQuestion =
    "This videostream size larger then original!\r"
    "Replacing may be harmful. Do You want to proceed?";
inline constexpr const char* kOwnRiskLog = "Continue to replace on you own risk!";

inline constexpr const char* kReplacingLog = "Replacing the picture...";
inline constexpr const char* kRecreatingLog = "Recreating Structure, pointed to the picture...";
inline constexpr const char* kNewFreeSpaceLog = "New FreeSpaceAddr= ";
inline constexpr const char* kReplacedLog = "Completed! The old picture is replaced with the new!";
inline constexpr const char* kChecksumLog = "Calculating new CRC for the image file...";
inline constexpr const char* kChecksumDoneLog = "Done! New CRC byte is written.";
inline constexpr const char* kRestoreLog = "Wait, the swapped firmware is rewritten now...";
inline constexpr const char* kAllDoneLog = "All operations completed successfully!";
inline constexpr const char* kDoneCaption = "Completed!";
inline constexpr const char* kDoneText = "Completed! Old picture is replaced with the new!";
inline constexpr const char* kDryRunLog = "Dry run: nothing was written.";

// Refusals of our own, each shown once in an "ERROR!" box before anything is written.
inline constexpr const char* kUnknownBlockLayout =
    "The block layout of this picture is unknown; it cannot be replaced.";
inline constexpr const char* kDoesNotFit = "The new picture does not fit inside the firmware file.";
inline constexpr const char* kNotMpeg2 =
    "This video is not an MPEG2 stream, but the picture is MPEG2: the player could not show it.";
inline constexpr const char* kNotMpeg4 =
    "This video is not an MPEG4 stream, but the picture is MPEG4: the player could not show it.";
inline constexpr const char* kNoPictureSelected = "No picture is selected.";
inline constexpr const char* kNoSourceOpened = "No replacement picture or video is open.";
inline constexpr const char* kFirmwareMissing =
    "The firmware file can no longer be found. Open it again before replacing a picture.";
inline constexpr const char* kFirmwareChanged =
    "The firmware file was changed since it was opened. Open it again before replacing a "
    "picture.";
inline constexpr const char* kWorkingCopyStale =
    "The working copy $tmp.bin of the byte-swapped firmware is missing or no longer matches the "
    "firmware file. Open the firmware again before replacing a picture.";

// Keeping the original, and a commit that failed.
inline constexpr const char* kBackupKeptLog = "Original firmware kept as ";
inline constexpr const char* kNoBackupCaption = "No backup";
inline std::string noBackupQuestion(const std::string& backupName) {
    return "The original cannot be kept as " + backupName + ". Replace without a backup?";
}
inline std::string noBackupRefusal(const std::string& backupName, const std::string& cause) {
    return "The original cannot be kept as " + backupName + " (" + cause +
           "). Nothing was written.";
}
// A ready-made stream made fit for the firmware.
inline std::string userDataDroppedLog(std::size_t bytes) {
    return "The encoder's user data in front of the first picture is left out (" +
           std::to_string(bytes) + " bytes).";
}
inline std::string firstPictureOutOfReach(std::int64_t header) {
    return "The first picture of this stream starts " + std::to_string(header) +
           " bytes after its video object start code, where the analysis reads at most 130, in "
           "whole pairs of bytes: the next analysis of the firmware would stop at this picture "
           "and list none after it. Encode the stream with fewer headers in front of the picture.";
}

// A ready-made stream whose parameters differ from the picture's.
inline constexpr const char* kDifferentFormatCaption = "Different picture format";
inline constexpr const char* kDifferentFormatQuestion =
    "A player may show nothing or garbage in place of this picture.\r"
    "Replace the picture all the same?";

// In place the player reads only the sectors the picture's record counts.
inline std::string countedRoomLog(int sectors, int counted, int room) {
    return "The picture's pointer record counts " + std::to_string(sectors) +
           " sectors: the room in place is " + std::to_string(counted) + " bytes, not " +
           std::to_string(room) + ".";
}

inline constexpr const char* kNotWrittenLog = "ERROR! The firmware file was not changed.";
// The firmware is changed and verified, but its work copy could not follow.
inline std::string workCopyNotRefreshed(const std::string& copyName, const std::string& cause) {
    return "Warning: the firmware file is changed and verified, but its work copy " + copyName +
           " could not be refreshed (" + cause +
           "), so it was removed: open the firmware again "
           "before the next replacement.";
}
// A second name of the file is not changed by a replacement that renames.
inline std::string otherNamesKeepOldContent(const std::string& fileName, int otherNames) {
    return otherNames == 1
               ? fileName + " has another name (a hard link), which keeps the old content."
               : fileName + " has " + std::to_string(otherNames) +
                     " other names (hard links), which keep the old content.";
}

}  // namespace velmora::replace_text
