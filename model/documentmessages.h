#pragma once

// The document's own message texts.
namespace marklens::message {
inline constexpr const char* kAccessDenied =
    "Internet Explorer denied access. If the browser displays an information bar,\n"
    "please select to allow blocked content. Otherwise, you may have to lower the\n"
    "security level for the current zone.";
inline constexpr const char* kCouldNotConnect = "Could not connect to browser";
inline constexpr const char* kLibraryNotRegistered = "Marklens library was not registered";
inline constexpr const char* kNoShellWindows = "Could not connect to Shell Windows";
inline constexpr const char* kCannotSetStyle = "Cannot set style attribute on currently selected item";
inline constexpr const char* kValueNotAccepted = "Value not accepted";
inline constexpr const char* kCaptureFailed = "The value was set, but the browser window could not be captured";
inline constexpr const char* kProgramTitle = "Marklens";
inline constexpr const char* kCaptionSeparator = " - ";
}  // namespace marklens::message
