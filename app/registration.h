#pragma once
#include <string>

namespace marklens {

// What the registration switches write and remove: the two AppID keys in the key store and
// the program's desktop entry.
class CRegistration {
public:
    CRegistration(std::string keyStorePath, std::string desktopEntryPath, std::string programPath);
    // The user's own places: $XDG_CONFIG_HOME/marklens/registry.ini and
    // $XDG_DATA_HOME/applications/marklens.desktop (with the usual fall-backs).
    static CRegistration ForCurrentUser(const std::string& programPath);

    bool Register(std::string& error) const;
    bool Unregister(std::string& error) const;

    const std::string& KeyStorePath() const { return keyStorePath_; }
    const std::string& DesktopEntryPath() const { return desktopEntryPath_; }

private:
    std::string DesktopEntryText() const;

    std::string keyStorePath_;
    std::string desktopEntryPath_;
    std::string programPath_;
};

}  // namespace marklens
