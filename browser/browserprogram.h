#pragma once
#include <string>

namespace marklens {

// The browser program Marklens starts: MARKLENS_BROWSER when set (a path, or a name on the
// PATH), else the first of chromium, chromium-browser and google-chrome on the PATH.
struct CBrowserProgram {
    std::string path;     // empty when none was found
    std::string problem;  // then: what was looked for, for the user

    bool Found() const { return !path.empty(); }
    static CBrowserProgram Find();
};

}  // namespace marklens
