#include "app/program.h"

#include "app/form1.h"
#include "app/form1_design.h"

namespace app {

int RunProgram(platform::Toolkit& toolkit, platform::SystemServices& system,
               const platform::SystemPaths& paths) {
  auto registry = platform::MakeRegistry(paths);
  auto window = toolkit.CreateForm(Form1Design());
  Form1 form(*window, toolkit, *registry, system);
  return toolkit.Run(*window, form);
}

}  // namespace app
