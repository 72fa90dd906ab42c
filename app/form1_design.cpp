#include "app/form1_design.h"

#include "app/version_info.h"

namespace app {

std::string ApplicationTitle() { return version::kProductName; }

const platform::FormDesign& Form1Design() {
  using platform::FormDesign;
  static const FormDesign design = [] {
    FormDesign form{};
    form.caption = version::kName;
    form.application_title = ApplicationTitle();
    form.client_width = 325;
    form.client_height = 495;  // one row less than the skin: its last row is not shown
    form.background_picture = "assets/skin.jpg";
    form.icon = "assets/talvane.ico";
    // Member by member: GCC's optimiser took strings moved in from a
    // temporary ListBoxDesign for uninitialised.
    form.list.rect = {48, 80, 225, 288};
    form.list.background = {255, 255, 255};
    form.list.font.family = "Tahoma";
    form.list.font.points = 8.25;
    form.list.font.weight = 400;
    form.list.tooltip =
        "Double Click on any of the Places in the list to set your system time to the specified "
        "location for a temporary time.";
    form.list.accessible_name = "Time zones";
    form.images = {{
        {.rect = {256, 8, 24, 24}, .picture = "assets/minimise.gif", .tooltip = "Minimize"},
        {.rect = {288, 8, 24, 24}, .picture = "assets/close.gif", .tooltip = "Close"},
        {.rect = {128, 416, 65, 65},
         .picture = "",
         .tooltip = ApplicationTitle() + " made by " + version::kHomePage +
                    ". This application works only with Windows XP."},
    }};
    return form;
  }();
  return design;
}

}  // namespace app
