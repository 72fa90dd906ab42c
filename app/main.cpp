// Talvane: shows, for a moment, the time of another place by switching the
// system time zone and putting it back.
#include "app/program.h"

int main(int argc, char** argv) {
  auto toolkit = platform::MakeToolkit(argc, argv);
  return app::RunProgram(*toolkit, platform::SystemPaths{});
}
