// The Windows data types and constants that the program's calls exchange,
// laid out exactly as Windows lays them out so that records read from or
// written to the system keep their byte layout on every platform.
#pragma once

#include <cstdint>

namespace win {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using BOOL = std::int32_t;
using UINT = std::uint32_t;
using WCHAR = char16_t;
using REGSAM = DWORD;

// Handles are opaque values; the predefined registry roots are fixed numbers.
enum class HKEY : std::uintptr_t {};
enum class HWND : std::uintptr_t {};
inline constexpr HKEY HKEY_LOCAL_MACHINE{0x80000002u};

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;

// Specific key rights.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x01;
inline constexpr REGSAM KEY_SET_VALUE = 0x02;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x04;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x08;
inline constexpr REGSAM KEY_NOTIFY = 0x10;
inline constexpr REGSAM KEY_CREATE_LINK = 0x20;

inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;

inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

inline constexpr DWORD TIME_ZONE_ID_UNKNOWN = 0;
inline constexpr DWORD TIME_ZONE_ID_STANDARD = 1;
inline constexpr DWORD TIME_ZONE_ID_DAYLIGHT = 2;
inline constexpr DWORD TIME_ZONE_ID_INVALID = 0xFFFFFFFFu;

inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOZORDER = 0x0004;

inline constexpr UINT CP_ACP = 0;
inline constexpr DWORD MB_PRECOMPOSED = 1;

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  char szCSDVersion[128];
};
static_assert(sizeof(OSVERSIONINFOA) == 148);

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};
static_assert(sizeof(SYSTEMTIME) == 16);

// The layout of a zone's "TZI" registry value.
struct REG_TZI_FORMAT {
  LONG Bias;
  LONG StandardBias;
  LONG DaylightBias;
  SYSTEMTIME StandardDate;
  SYSTEMTIME DaylightDate;
};
static_assert(sizeof(REG_TZI_FORMAT) == 44);

struct TIME_ZONE_INFORMATION {
  LONG Bias;
  WCHAR StandardName[32];
  SYSTEMTIME StandardDate;
  LONG StandardBias;
  WCHAR DaylightName[32];
  SYSTEMTIME DaylightDate;
  LONG DaylightBias;
};
static_assert(sizeof(TIME_ZONE_INFORMATION) == 172);

struct POINT {
  LONG x;
  LONG y;
};

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

}  // namespace win
