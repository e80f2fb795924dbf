// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/picture_selection.h"

#include <algorithm>
#include <charconv>

#include "cli/commands.h"

namespace velmora::cli {

int pictureNumber(const std::string& text) {
    int n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || n < 1)
        throw UsageError{"N must be a picture number from 1 on, not '" + text + "'"};
    return n;
}

void refuseUnknownOptions(const Arguments& args, const std::vector<std::string>& known) {
    for (const std::string& flag : args.flags) {
        const std::string name = flag.substr(0, flag.find('='));
        if (std::find(known.begin(), known.end(), name) == known.end())
            throw UsageError{"unknown option " + name};
    }
}

void selectPicture(Session& session, int number) {
    if (number < 1 || number > session.PictureCount)
        throw UsageError{"there is no picture " + std::to_string(number) + " (the firmware holds " +
                         std::to_string(session.PictureCount) + ")"};
    session.SelectedPicture = number - 1;
}

}  // namespace velmora::cli
