// A preview's way back, kept where it outlives the process (End Task, a
// crash the handler can't catch, power loss), so that the next log-on or the
// next start puts the setting back.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/win/dynamic_time_zone.h"
#include "platform/win32_types.h"

namespace platform::win32 {

struct WayBackRecord {
  win::TIME_ZONE_INFORMATION saved;
  DynamicTimeZoneInformation saved_dynamic;
  win::DWORD has_dynamic;
  // What the preview set, as the system reported it once set: the plain
  // record, and where the dynamic call answered (applied_has_dynamic) the
  // key name and the dynamic-rules switch, to tell it from someone else's
  // later choice, even one of the same rules.
  DynamicTimeZoneInformation applied;
  win::DWORD applied_has_dynamic;
};

class WayBackStore {
 public:
  virtual ~WayBackStore() = default;

  // Keeps the run at the next log-on that takes the record, then the record:
  // false, and no record kept, when either can't be.
  virtual bool Save(const WayBackRecord& record) = 0;
  // nullopt when none is kept, or what is kept is not a record. Needs only
  // the right to read.
  virtual std::optional<WayBackRecord> Load() = 0;
  // Drops the record, then the log-on run; false when they may still be
  // there.
  virtual bool Remove() = 0;
};

// A value under HKEY_LOCAL_MACHINE\SOFTWARE\Talvane, which only
// administrators may write, kept with a RunOnce value beside the system's
// that runs `log_on_command` at the next administrator's log-on. Without a
// command, for the log-on run itself, the store neither arms nor drops that
// value: Windows keeps it until the run succeeds.
std::unique_ptr<WayBackStore> MakeRegistryWayBackStore(std::optional<std::wstring> log_on_command);
// The store of a run that may preview, with this executable's log-on run.
WayBackStore& RegistryWayBackStore();

}  // namespace platform::win32
