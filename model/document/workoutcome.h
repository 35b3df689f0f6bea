#pragma once
#include <functional>
#include <optional>

#include "model/errors/objectcallerror.h"

namespace marklens {

// How a piece of browser work ended, as the user interface hears it.
struct CWorkOutcome {
    enum class Kind {
        Done,
        Failed,     // error says why
        Cancelled,  // by the user, or by newer work that replaced it
        NoElement,  // the node has no live element (any more)
    };
    Kind kind = Kind::Done;
    std::optional<CObjectCallError> error;

    bool IsDone() const { return kind == Kind::Done; }
};

using WorkDone = std::function<void(const CWorkOutcome&)>;

}  // namespace marklens
