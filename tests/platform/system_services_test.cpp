#include <gtest/gtest.h>

#include <cstring>

#include "platform/system_services.h"
#include "tests/fakes/zoneinfo_tree.h"

namespace {

// The system's own services, on a temporary tree: making them finishes an
// unfinished preview, which must never touch this machine's setting.
TEST(GetVersionExA, ReportsTheNtFamilyForTheTwoKnownRecordSizes) {
  fakes::ZoneinfoTree tree;
  auto system = platform::MakeSystemServices(tree.paths());
  for (win::DWORD size : {148u, 156u}) {
    win::OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = size;
    EXPECT_EQ(system->GetVersionExA(&info), 1) << size;
    EXPECT_EQ(info.dwPlatformId, 2u) << size;
    EXPECT_EQ(info.dwOSVersionInfoSize, size);
  }
}

TEST(GetVersionExA, AnyOtherSizeFailsAndLeavesTheRecordAlone) {
  fakes::ZoneinfoTree tree;
  auto system = platform::MakeSystemServices(tree.paths());
  for (win::DWORD size : {0u, 147u, 149u, 155u, 276u, 284u}) {
    win::OSVERSIONINFOA info;
    std::memset(&info, 0xA5, sizeof info);
    info.dwOSVersionInfoSize = size;
    win::OSVERSIONINFOA before = info;
    EXPECT_EQ(system->GetVersionExA(&info), 0) << size;
    EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0) << size;
  }
}

}  // namespace
