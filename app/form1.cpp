#include "app/form1.h"

#include "timezones/catalogue.h"

namespace app {

Form1::Form1(platform::FormWindow& window, platform::Registry& registry,
             platform::SystemServices& system)
    : window_(window), registry_(registry), system_(system) {}

void Form1::Form_Load() {
  TimeZonesKeyPath = timezones::FillTimeZoneList(registry_, system_, window_);
}

}  // namespace app
