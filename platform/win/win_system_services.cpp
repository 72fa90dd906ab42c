#include "platform/win/win_system_services.h"

#include <cstring>
#include <memory>
#include <optional>

#include "platform/win/preview_lock.h"
#include "platform/win/session_restore.h"
#include "platform/win/way_back_store.h"
// After the platform headers: see native.h.
#include "platform/win/native.h"
#include "platform/win/owned_handles.h"
#include "platform/win/system_function.h"

// <windows.h> makes RtlMoveMemory a macro for memmove.
#undef RtlMoveMemory

namespace platform::win32 {
namespace {

static_assert(sizeof(::TIME_ZONE_INFORMATION) == sizeof(win::TIME_ZONE_INFORMATION));
static_assert(sizeof(::OSVERSIONINFOA) == sizeof(win::OSVERSIONINFOA));
static_assert(sizeof(::WCHAR) == sizeof(win::WCHAR));

// Declared here rather than taken from the headers, which hide them from
// builds that target XP.
struct NativeDynamicTimeZoneInformation {
  ::TIME_ZONE_INFORMATION tzi;
  ::WCHAR TimeZoneKeyName[128];
  ::BOOLEAN DynamicDaylightTimeDisabled;
};
static_assert(sizeof(NativeDynamicTimeZoneInformation) == sizeof(DynamicTimeZoneInformation));

using GetDynamicFn = DWORD(WINAPI*)(NativeDynamicTimeZoneInformation*);
using SetDynamicFn = BOOL(WINAPI*)(const NativeDynamicTimeZoneInformation*);

// Each window gets this long to answer, and one that hangs is skipped at
// once (SMTO_ABORTIFHUNG): the clocks catch up within moments, and the
// program goes on.
constexpr UINT kAnswerTimeoutMs = 200;

class SystemApi final : public TimeZoneApi {
 public:
  SystemApi()
      : get_dynamic_(SystemFunction<GetDynamicFn>("kernel32.dll", "GetDynamicTimeZoneInformation")),
        set_dynamic_(
            SystemFunction<SetDynamicFn>("kernel32.dll", "SetDynamicTimeZoneInformation")) {}

  win::DWORD GetTimeZoneInformation(win::TIME_ZONE_INFORMATION* tzi) override {
    return ::GetTimeZoneInformation(reinterpret_cast<::TIME_ZONE_INFORMATION*>(tzi));
  }
  win::BOOL SetTimeZoneInformation(const win::TIME_ZONE_INFORMATION* tzi) override {
    return ::SetTimeZoneInformation(reinterpret_cast<const ::TIME_ZONE_INFORMATION*>(tzi));
  }
  bool HasDynamicTimeZones() override { return get_dynamic_ != nullptr && set_dynamic_ != nullptr; }
  win::DWORD GetDynamicTimeZoneInformation(DynamicTimeZoneInformation* dtzi) override {
    return get_dynamic_(reinterpret_cast<NativeDynamicTimeZoneInformation*>(dtzi));
  }
  win::BOOL SetDynamicTimeZoneInformation(const DynamicTimeZoneInformation* dtzi) override {
    return set_dynamic_(reinterpret_cast<const NativeDynamicTimeZoneInformation*>(dtzi));
  }
  bool EnableTimeZonePrivilege() override {
    const OwnedHandle token = ProcessToken();
    if (!token) return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    LUID& privilege = privileges.Privileges[0].Luid;
    // Before Vista there is no time-zone privilege: XP and Server 2003 let
    // only holders of the system-time one change the setting.
    if (!::LookupPrivilegeValueA(nullptr, "SeTimeZonePrivilege", &privilege) &&
        (::GetLastError() != ERROR_NO_SUCH_PRIVILEGE ||
         !::LookupPrivilegeValueA(nullptr, "SeSystemtimePrivilege", &privilege))) {
      return false;
    }
    TOKEN_PRIVILEGES before{};
    DWORD size = sizeof before;
    if (!::AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof before, &before, &size)) {
      return false;
    }
    // Succeeds without enabling anything when the token lacks the privilege;
    // only the error code tells.
    const bool enabled = ::GetLastError() == ERROR_SUCCESS;
    before_ = before;
    return enabled;
  }
  void RestoreTimeZonePrivilege() override {
    const OwnedHandle token = ProcessToken();
    if (before_ && token)
      ::AdjustTokenPrivileges(token.get(), FALSE, &*before_, 0, nullptr, nullptr);
    before_.reset();
  }
  bool FlushSetting() override {
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                        "SYSTEM\\CurrentControlSet\\Control\\TimeZoneInformation", 0,
                        KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
      return false;
    }
    const OwnedKey key(opened);
    return ::RegFlushKey(key.get()) == ERROR_SUCCESS;
  }
  void AnnounceChange() override {
    // As Microsoft asks: the setting's own message, broadcast; WM_TIMECHANGE
    // is the system's to send.
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("TimeZone"),
                          SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &answer);
  }
  PreviewLockAttempt TryLockPreview() override { return lock_.TryLock(); }
  void UnlockPreview() override { lock_.Unlock(); }

 private:
  static OwnedHandle ProcessToken() {
    HANDLE token = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token);
    return OwnedHandle(token);
  }

  PreviewLock lock_{kPreviewLockName};
  // The privilege's state before it was enabled, to put back.
  std::optional<TOKEN_PRIVILEGES> before_;
  GetDynamicFn get_dynamic_;
  SetDynamicFn set_dynamic_;
};

}  // namespace

TimeZoneApi& SystemTimeZoneApi() {
  static SystemApi api;
  return api;
}

Win32SystemServices::Win32SystemServices(TimeZoneApi& api, WayBackStore& ways)
    : setting_(api, ways) {
  SetSessionRestore([this] { setting_.RollBack(); });
}

Win32SystemServices::~Win32SystemServices() { SetSessionRestore(nullptr); }

win::BOOL Win32SystemServices::GetVersionExA(win::OSVERSIONINFOA* lpVersionInformation) {
  return ::GetVersionExA(reinterpret_cast<::OSVERSIONINFOA*>(lpVersionInformation));
}

win::DWORD Win32SystemServices::GetTimeZoneInformation(
    win::TIME_ZONE_INFORMATION* lpTimeZoneInformation) {
  return setting_.Get(lpTimeZoneInformation);
}

win::BOOL Win32SystemServices::SetTimeZoneInformation(
    const win::TIME_ZONE_INFORMATION* lpTimeZoneInformation) {
  return setting_.Set(lpTimeZoneInformation);
}

int Win32SystemServices::MultiByteToWideChar(win::UINT CodePage, win::DWORD dwFlags,
                                             const char* lpMultiByteStr, int cbMultiByte,
                                             win::WCHAR* lpWideCharStr, int cchWideChar) {
  return ::MultiByteToWideChar(CodePage, dwFlags, lpMultiByteStr, cbMultiByte,
                               reinterpret_cast<::WCHAR*>(lpWideCharStr), cchWideChar);
}

void Win32SystemServices::RtlMoveMemory(void* Destination, const void* Source, std::size_t Length) {
  std::memmove(Destination, Source, Length);
}

}  // namespace platform::win32

namespace platform {

std::unique_ptr<SystemServices> MakeSystemServices(const SystemPaths&) {
  auto services = std::make_unique<win32::Win32SystemServices>(win32::SystemTimeZoneApi(),
                                                               win32::RegistryWayBackStore());
  services->RecoverUnfinishedPreview();
  return services;
}

}  // namespace platform
