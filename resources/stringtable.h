#pragma once

namespace marklens::resources {

inline constexpr int kIdrMainFrame = 128;       // title string, menu, accelerators, icon
inline constexpr int kIdsProgramTitle = 57344;
inline constexpr int kIdsIdleText = 57345;
inline constexpr int kIdsStartupFailed = 100;

// The text of a string resource; empty for an identifier the table does not hold.
const char* LoadString(int id);

}  // namespace marklens::resources
