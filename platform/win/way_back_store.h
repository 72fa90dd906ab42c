// A preview's way back, kept where it outlives the process (End Task, a
// crash the handler can't catch, power loss), so that the next start puts the
// setting back.
#pragma once

#include <optional>

#include "platform/win/dynamic_time_zone.h"
#include "platform/win32_types.h"

namespace platform::win32 {

struct WayBackRecord {
  win::TIME_ZONE_INFORMATION saved;
  DynamicTimeZoneInformation saved_dynamic;
  win::DWORD has_dynamic;
  // What the preview set, to tell it from a later change of someone else's.
  win::TIME_ZONE_INFORMATION applied;
};

class WayBackStore {
 public:
  virtual ~WayBackStore() = default;

  virtual bool Save(const WayBackRecord& record) = 0;
  // nullopt when none is kept, or what is kept is not a record.
  virtual std::optional<WayBackRecord> Load() = 0;
  virtual void Remove() = 0;
};

// A value under HKEY_LOCAL_MACHINE\SOFTWARE\Talvane, which only
// administrators may write.
WayBackStore& RegistryWayBackStore();

}  // namespace platform::win32
