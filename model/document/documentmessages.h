#pragma once

// The document's own message texts.
namespace marklens::message {
inline constexpr const char* kAccessDenied =
    "The browser denied access to this page. Pages of the browser itself (settings, extensions, other tools) "
    "cannot be inspected.";
inline constexpr const char* kCouldNotConnect = "Could not connect to browser";
inline constexpr const char* kLibraryNotRegistered = "Marklens library was not registered";
inline constexpr const char* kCouldNotListPages = "Could not list the browser pages";
inline constexpr const char* kCannotSetStyle = "Cannot set style attribute on currently selected item";
inline constexpr const char* kValueNotAccepted = "Value not accepted";
inline constexpr const char* kCaptureFailed = "The value was set, but the browser window could not be captured";
inline constexpr const char* kProgramTitle = "Marklens";
inline constexpr const char* kCaptionSeparator = " - ";
inline constexpr const char* kNotFoundInTree = "Could not find in HTML tree: ";
inline constexpr const char* kPassedEndOfTree = "passed the end of the tree";
inline constexpr const char* kModelessFound = "Expression resulted in Modeless Dialog";
inline constexpr const char* kModelessNotFound = "Expression did not find Modeless Dialog";
inline constexpr const char* kModelessAccessDenied =
    "Access denied by the browser, probably the modeless window is from a different domain.";
inline constexpr const char* kOpeningPage = "Opening the page";
inline constexpr const char* kReadingPage = "Reading page: %s of %s elements";
inline constexpr const char* kBuildingMirror = "Building the mirror";
inline constexpr const char* kCapturingPage = "Capturing the page";
inline constexpr const char* kUnexpectedFailure = "Something unexpected went wrong: ";
inline constexpr const char* kCopied = "Copied";
inline constexpr const char* kUndone = "Undone: ";
inline constexpr const char* kRedone = "Redone: ";
inline constexpr const char* kUndoHistoryLost = "The page loaded a new document: Undo and Redo start afresh";
inline constexpr const char* kPicturePaused = "Picture paused: page hidden";
inline constexpr const char* kPictureMayLag = "The page keeps changing: the picture may lag behind it";
inline constexpr const char* kFollowBehind =
    "The page changes faster than it can be followed: the views show its last consistent state";
inline constexpr const char* kSelectionLeftPage = "The selected element left the page";
inline constexpr const char* kFollowFailed = "Following the page stopped: ";
inline constexpr const char* kMirrorOutOfMemory = "out of memory for the page mirror";
inline constexpr const char* kCannotCopy = "Could not copy: ";
inline constexpr const char* kNothingToCopy = "The selected node has nothing to copy";
}  // namespace marklens::message
