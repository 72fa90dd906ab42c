// Talvane: shows, for a moment, the time of another place by switching the
// system time zone and putting it back.
#include "app/program.h"

int main(int argc, char** argv) {
  // Before anything else: --help and --version need no display and change
  // nothing.
  if (const auto status = platform::AnswerCommandLine(argc, argv, app::About())) return *status;
  const platform::SystemPaths paths;
  // Before the window: where the services keep a preview's way back
  // themselves, making them puts back one that never ended, even when no
  // window can be shown.
  auto system = platform::MakeSystemServices(paths);
  auto toolkit = platform::MakeToolkit(argc, argv);
  return app::RunProgram(*toolkit, *system, paths);
}
