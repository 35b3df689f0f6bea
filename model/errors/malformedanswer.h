#pragma once
#include <string>

#include "objectcallerror.h"
#include "statuscodes.h"

namespace marklens {

// A probe answer that is not in its format: a fault of the probe, not of the connection, and
// reported as such.
class CMalformedAnswer : public CObjectCallError {
public:
    explicit CMalformedAnswer(const std::string& what)
        : CObjectCallError(status::kFail, "The probe's answer is malformed: " + what) {}
};

}  // namespace marklens
