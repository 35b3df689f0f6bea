#include "viewsettings.h"

#include <QStandardPaths>

#include "keystore.h"

namespace marklens {

namespace {

constexpr const char* kViewKey = "HKEY_CURRENT_USER\\Software\\Marklens\\View";
constexpr const char* kFollowName = "FollowPageChanges";

}  // namespace

CViewSettings::CViewSettings(std::string keyStorePath) : keyStorePath_(std::move(keyStorePath)) {}

CViewSettings CViewSettings::ForCurrentUser() {
    return CViewSettings(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString() +
                         "/marklens/registry.ini");
}

bool CViewSettings::FollowPageChanges() const {
    CKeyStore store;
    std::string error;
    if (!store.Load(keyStorePath_, error)) return true;
    return store.Value(kViewKey, kFollowName) != "0";
}

bool CViewSettings::SetFollowPageChanges(bool on, std::string& error) const {
    CKeyStore store;
    if (!store.Load(keyStorePath_, error)) return false;
    store.SetValue(kViewKey, kFollowName, on ? "1" : "0");
    return store.Save(keyStorePath_, error);
}

}  // namespace marklens
