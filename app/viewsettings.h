#pragma once
#include <string>

namespace marklens {

// The view's settings that last across starts, kept in the program's key store.
class CViewSettings {
public:
    explicit CViewSettings(std::string keyStorePath);
    // The user's own key store, where registering writes too.
    static CViewSettings ForCurrentUser();

    // On unless turned off; a store that cannot be read leaves it on.
    bool FollowPageChanges() const;
    // False, with the reason, when the store cannot be read or written.
    bool SetFollowPageChanges(bool on, std::string& error) const;

private:
    std::string keyStorePath_;
};

}  // namespace marklens
