// SPDX-License-Identifier: GPL-3.0-or-later
#include "person/outcome.h"

#include "firmware/io_error.h"

namespace velmora {

Outcome Outcome::ioFailure(const IoError& error) {
    return Outcome(IoFailure{error.what()});
}

Outcome guardIo(const std::function<Outcome()>& action) {
    try {
        return action();
    } catch (const IoError& failure) {
        return Outcome::ioFailure(failure);
    }
}

void tellPerson(const Outcome& outcome, Dialogs& ui) {
    if (outcome.is<Refused>()) {
        const Refused& refused = outcome.get<Refused>();
        ui.error(refused.caption, refused.text);
        if (!refused.logAfter.empty()) ui.log(refused.logAfter);
    } else if (outcome.is<IoFailure>()) {
        ui.error(std::string(kIoErrorCaption), outcome.get<IoFailure>().text);
    } else if (outcome.is<VerificationFailed>()) {
        ui.error(kErrorCaption, outcome.get<VerificationFailed>().text);
    } else if (outcome.is<Cancelled>()) {
        ui.log(kCancelledLog);
    }
}

}  // namespace velmora
