#pragma once

// Command identifiers shared by the menus, the accelerators and the command handlers.
namespace marklens::command {
inline constexpr int kConnect = 32771;
inline constexpr int kFind = 32774;
inline constexpr int kFindNext = 32779;
inline constexpr int kRefresh = 32783;
inline constexpr int kEditHtml = 32787;
inline constexpr int kEditStyleAttribute = 32788;
inline constexpr int kOpenPageInNewBrowser = 32795;
inline constexpr int kCopySelector = 32796;
inline constexpr int kCopyOuterHtml = 32797;
inline constexpr int kSavePictureAs = 32798;
inline constexpr int kFollowPageChanges = 32799;
inline constexpr int kNewDocument = 57600;
inline constexpr int kOpenFile = 57601;
inline constexpr int kCopy = 57634;
inline constexpr int kUndo = 57643;
inline constexpr int kRedo = 57644;
inline constexpr int kSplit = 57653;
inline constexpr int kAbout = 57664;
inline constexpr int kExit = 57665;
inline constexpr int kStatusBar = 59393;

// The commands that read or change the page: they wait while an attach or a Refresh runs.
inline constexpr int kPageCommands[] = {kRefresh, kEditHtml, kEditStyleAttribute, kCopySelector, kCopyOuterHtml,
                                        kUndo,    kRedo};
}  // namespace marklens::command
