// Running a piece of a test in a forked process: to let it die, or to drop
// root for an ordinary user's rights.
#pragma once

#include <functional>

namespace fakes {

// Runs `child` in a forked process that exits 0 when it returns; returns the
// wait status.
int InChild(const std::function<void()>& child);

// Runs `check` in a forked process that has dropped root for `nobody`; true
// when it returned true.
bool AsNobody(const std::function<bool()>& check);

}  // namespace fakes
