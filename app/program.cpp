#include "app/program.h"

#include "app/form1.h"
#include "app/form1_design.h"
#include "app/version_info.h"
#include "platform/pending_rights.h"
#include "platform/registry.h"

namespace app {

platform::ProgramAbout About() {
  return {version::kName, version::kVersion,
          "Shows, for a moment, the time of another place: double-click a time zone, or\n"
          "select it and press Return, and it is the system's time zone until you click OK."};
}

int RunProgram(platform::Toolkit& toolkit, platform::SystemServices& system,
               const platform::SystemPaths& paths) {
  // First, so that the asking overlaps the making of the window.
  auto rights = platform::AskForRights();
  auto registry = platform::MakeRegistry(paths);
  auto window = toolkit.CreateForm(Form1Design());
  Form1 form(*window, toolkit, *registry, system);
  return toolkit.Run(*window, form, rights.get());
}

}  // namespace app
