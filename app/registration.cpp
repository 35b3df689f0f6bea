#include "registration.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <QStandardPaths>

#include "keystore.h"

namespace marklens {

namespace {

constexpr const char* kAppIdRoot = "HKEY_CLASSES_ROOT\\AppID";

struct CAppIdValue {
    const char* key;   // below kAppIdRoot
    const char* name;  // "@" is the key's default value
    const char* value;
};

constexpr std::array kAppIdValues{
    CAppIdValue{"{8A3F6D21-4C7B-4E19-9D05-71B2C8E6F0A4}", "@", "Pagewright"},
    CAppIdValue{"Pagewright.EXE", "AppID", "{8A3F6D21-4C7B-4E19-9D05-71B2C8E6F0A4}"},
};

std::string KeyPath(const char* key) { return std::string(kAppIdRoot) + '\\' + key; }

std::string UserPlace(QStandardPaths::StandardLocation location) {
    return QStandardPaths::writableLocation(location).toStdString();
}

}  // namespace

CRegistration::CRegistration(std::string keyStorePath, std::string desktopEntryPath, std::string programPath)
    : keyStorePath_(std::move(keyStorePath)),
      desktopEntryPath_(std::move(desktopEntryPath)),
      programPath_(std::move(programPath)) {}

CRegistration CRegistration::ForCurrentUser(const std::string& programPath) {
    return CRegistration(UserPlace(QStandardPaths::GenericConfigLocation) + "/marklens/registry.ini",
                         UserPlace(QStandardPaths::GenericDataLocation) + "/applications/marklens.desktop",
                         programPath);
}

std::string CRegistration::DesktopEntryText() const {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Marklens\n"
           "Comment=Inspect web pages open in a running Chromium\n"
           "Exec=\"" + programPath_ + "\"\n"
           "Terminal=false\n"
           "Categories=Development;WebDevelopment;\n";
}

bool CRegistration::Register(std::string& error) const {
    CKeyStore store;
    if (!store.Load(keyStorePath_, error)) return false;
    store.CreateKey(kAppIdRoot);
    for (const CAppIdValue& entry : kAppIdValues) store.SetValue(KeyPath(entry.key), entry.name, entry.value);
    if (!store.Save(keyStorePath_, error)) return false;

    std::error_code code;
    std::filesystem::create_directories(std::filesystem::path(desktopEntryPath_).parent_path(), code);
    std::ofstream entry(desktopEntryPath_, std::ios::binary | std::ios::trunc);
    entry << DesktopEntryText();
    if (!entry.flush()) {
        error = "cannot write " + desktopEntryPath_;
        return false;
    }
    return true;
}

bool CRegistration::Unregister(std::string& error) const {
    CKeyStore store;
    if (!store.Load(keyStorePath_, error)) return false;
    bool changed = false;
    for (const CAppIdValue& entry : kAppIdValues) {
        changed |= store.HasKey(KeyPath(entry.key));
        store.RemoveKeyTree(KeyPath(entry.key));
    }
    std::error_code code;
    if (changed && store.IsEmptyKey(kAppIdRoot) && store.Keys().size() == 1) {
        // Only the AppID key that registering created is left: leave no store behind either.
        std::filesystem::remove(keyStorePath_, code);
    } else if (changed && !store.Save(keyStorePath_, error)) {
        return false;  // the AppID key is shared with other programs and stays
    }
    std::filesystem::remove(desktopEntryPath_, code);
    if (code) {
        error = "cannot remove " + desktopEntryPath_ + ": " + code.message();
        return false;
    }
    return true;
}

}  // namespace marklens
