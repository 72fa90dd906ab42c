// The logic tests take their locale from the environment, as the program does
// (QCoreApplication calls setlocale(LC_ALL, "")), so a run under another
// locale shows whatever depends on it.
#include <gmock/gmock.h>

#include <clocale>
#include <cstdio>

int main(int argc, char** argv) {
  if (std::setlocale(LC_ALL, "") == nullptr) {
    std::fputs("The locale the environment names is not installed.\n", stderr);
    return 1;
  }
  testing::InitGoogleMock(&argc, argv);
  return RUN_ALL_TESTS();
}
