#include "startmode.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace marklens {

namespace {

struct CSwitch {
    const char* name;  // lower case, without the leading "/" or "-"
    StartMode mode;
};

constexpr std::array kSwitches{
    CSwitch{"regserver", StartMode::Register},   CSwitch{"register", StartMode::Register},
    CSwitch{"unregserver", StartMode::Unregister}, CSwitch{"unregister", StartMode::Unregister},
    CSwitch{"embedding", StartMode::Embedded},   CSwitch{"automation", StartMode::Embedded},
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

const CSwitch* FindSwitch(const std::string& arg) {
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) return nullptr;
    const std::string name = Lower(arg.substr(1));
    for (const CSwitch& entry : kSwitches) {
        if (name == entry.name) return &entry;
    }
    return nullptr;
}

}  // namespace

bool IsStartSwitch(const std::string& arg) { return FindSwitch(arg) != nullptr; }

StartMode ParseStartMode(const std::vector<std::string>& args) {
    StartMode mode = StartMode::Normal;
    bool embedded = false;
    for (const std::string& arg : args) {
        const CSwitch* entry = FindSwitch(arg);
        if (!entry) continue;
        if (entry->mode == StartMode::Embedded)
            embedded = true;
        else
            mode = entry->mode;
    }
    return embedded ? StartMode::Embedded : mode;
}

}  // namespace marklens
