// The running test program: its own folder, and whether Wine runs it.
#pragma once

#include <string>

namespace albumdl::testing {

// As the system names it (UTF-8).
std::string ThisProgramFolder();
// True for a Windows program under Wine, for the few things Wine does not do
// (each test that asks says what).
bool RunningUnderWine();

}  // namespace albumdl::testing
