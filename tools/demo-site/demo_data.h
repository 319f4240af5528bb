// The site's built-in data set, served by the demo program and by a DemoSite
// that is not started empty. Tests that need other data add their own boards.
#pragma once

#include <vector>

#include "demo_site.h"

namespace demosite {

// Board ids of the data set.
inline constexpr char kSpringBoardId[] = "spring-2024";  // title full of characters file names lose
inline constexpr char kBigBoardId[] = "big250";          // 250 pins: three pages of 100
inline constexpr char kEmptyBoardId[] = "empty";         // no pins
inline constexpr char kPrivateBoardId[] = "private-1";   // pins only for a signed-in visitor
inline constexpr char kTravelBoardId[] = "travel";
inline constexpr char kFlowersBoardId[] = "flowers";
inline constexpr char kGrowingBoardId[] = "growing";  // grows on top as asked (GrowBoard)
// Two boards of 10 pins that share 3 pictures (the same file keys, repinned).
inline constexpr char kRepinsABoardId[] = "repins-a";
inline constexpr char kRepinsBBoardId[] = "repins-b";
inline constexpr int kSharedRepins = 3;

// Search keywords of the data set.
inline constexpr char kCatKeyword[] = "cat";  // 150 pins: two pages of 100

std::vector<Board> DemoBoards();
std::vector<Search> DemoSearches();

}  // namespace demosite
