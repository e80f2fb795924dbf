// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <string>

namespace velmora {

// "desc|*.a;*.b|desc2|*.c" as Qt name filters: "desc (*.a *.b)", "desc2 (*.c)".
// The patterns are always appended, since a description may carry its own
// parentheses that Qt would otherwise take for the patterns.
[[nodiscard]] QStringList toQtNameFilters(const std::string& filter);

}  // namespace velmora
