#pragma once

// The page-side protocol of the modeless-window search: the expression's value goes through
// one page global, read back by name and cleared once it has proved to be an object.
namespace marklens::script {
inline constexpr const char* kResultAssignment = "window.__wrightRetval=";
inline constexpr const char* kResultReset = "window.__wrightRetval=null";
inline constexpr const char* kResultName = "__wrightRetval";
}  // namespace marklens::script
