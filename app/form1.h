// The main window: its lasting state and the handlers of its events.
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry.h"
#include "platform/system_services.h"
#include "platform/toolkit.h"

namespace app {

class Form1 final : public platform::FormEvents {
 public:
  Form1(platform::FormWindow& window, platform::Toolkit& toolkit, platform::Registry& registry,
        platform::SystemServices& system);

  void Form_Load() override;
  void List1_DblClick() override;
  void Form_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) override;
  void Form_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) override;
  void Form_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y) override;
  void Image1_Click() override;
  void Image2_Click() override;

  // Where the time zones live under HKEY_LOCAL_MACHINE; set once by the load.
  std::string TimeZonesKeyPath;

  // Dragging by the background; flags hold -1 for true and 0 for false.
  std::int16_t Dragging = 0;
  win::POINT DragStartCursor{};
  win::RECT DragStartRect{};
  std::int16_t MoveBusy = 0;

 private:
  platform::FormWindow& window_;
  platform::Toolkit& toolkit_;
  platform::Registry& registry_;
  platform::SystemServices& system_;
};

}  // namespace app
