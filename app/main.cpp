// Talvane: shows, for a moment, the time of another place by switching the
// system time zone and putting it back.
#include "app/form1.h"
#include "app/form1_design.h"

int main(int argc, char** argv) {
  const platform::SystemPaths paths;
  auto toolkit = platform::MakeToolkit(argc, argv);
  auto registry = platform::MakeRegistry(paths);
  auto system = platform::MakeSystemServices(paths);
  auto window = toolkit->CreateForm(app::Form1Design());
  app::Form1 form(*window, *registry, *system);
  return toolkit->Run(*window, form);
}
