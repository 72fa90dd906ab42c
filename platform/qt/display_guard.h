// While Qt opens its display. Where it can open none, Qt would abort with a
// core dump; instead the program says so in one line, naming the variables
// that choose the display, and ends with status 1. Whatever Qt says meanwhile
// is held back and passed on once a display is open.
#pragma once

namespace platform::qt {

class DisplayGuard {
 public:
  DisplayGuard();
  ~DisplayGuard();
  DisplayGuard(const DisplayGuard&) = delete;
  DisplayGuard& operator=(const DisplayGuard&) = delete;
};

}  // namespace platform::qt
