#pragma once

#include "platform/system_paths.h"
#include "platform/system_services.h"
#include "platform/toolkit.h"

namespace app {

// What the command line tells of the program.
platform::ProgramAbout About();

// Creates the main window, loads it and runs it until the program ends.
int RunProgram(platform::Toolkit& toolkit, platform::SystemServices& system,
               const platform::SystemPaths& paths);

}  // namespace app
