// The main window's design: every size, position, picture, font and tooltip.
#pragma once

#include <string>

#include "platform/form_design.h"

namespace app {

const platform::FormDesign& Form1Design();

// The caption of the program's message boxes.
std::string ApplicationTitle();

}  // namespace app
