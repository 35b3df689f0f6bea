#include "findsettings.h"

namespace marklens {

CFindSettings& FindSettings() {
    static CFindSettings settings;
    return settings;
}

}  // namespace marklens
