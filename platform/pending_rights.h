// The program's rights to change the system setting, where they are asked for
// while the program runs: on Linux its keeper's start through pkexec, which
// waits for as long as an administrator takes to answer polkit. The window's
// load, which needs the answer, runs once it has come.
#pragma once

#include <memory>

namespace platform {

class PendingRights {
 public:
  virtual ~PendingRights() = default;

  // Readable once the answer has come: granted, refused, or no way to ask.
  // -1 when none is awaited.
  virtual int AnswerDescriptor() const = 0;
  // Stops asking: whatever was started to ask and has not answered ends.
  virtual void Withdraw() = 0;
};

// Starts asking. Null where a process has its rights from its start, as on
// Windows, whose elevation prompt comes before the program runs.
std::unique_ptr<PendingRights> AskForRights();

}  // namespace platform
