// What screen readers and other assistive technologies learn of the window
// through Qt's accessibility: the window is a frame; an image control that
// takes clicks is a button named by its tooltip, whose press action does
// what a click does; the hot spot, which takes none, keeps its tooltip as
// its description.
#pragma once

namespace platform::qt {

// Before the first widget is asked for; installing again changes nothing.
void InstallAccessibleControls();

}  // namespace platform::qt
