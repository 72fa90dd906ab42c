// The main window: its lasting state and the handlers of its events.
#pragma once

#include <string>

#include "platform/registry.h"
#include "platform/system_services.h"
#include "platform/toolkit.h"

namespace app {

class Form1 final : public platform::FormEvents {
 public:
  Form1(platform::FormWindow& window, platform::Registry& registry,
        platform::SystemServices& system);

  void Form_Load() override;

  // Where the time zones live under HKEY_LOCAL_MACHINE; set once by the load.
  std::string TimeZonesKeyPath;

 private:
  platform::FormWindow& window_;
  platform::Registry& registry_;
  platform::SystemServices& system_;
};

}  // namespace app
