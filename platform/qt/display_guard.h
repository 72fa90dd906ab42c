// While Qt opens its display. Where it cannot start, Qt would abort with a
// core dump; instead the program ends with status 1, saying why: a display it
// cannot open in one line naming the variables that choose the display, any
// other cause in Qt's own words, with what Qt said before. Whatever Qt says
// meanwhile is held back, and passed on once a display is open.
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
