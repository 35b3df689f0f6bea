#include "livepage.h"

#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"

namespace marklens {

void ILivePage::ExecScript(const std::string&) { throw CObjectCallError(status::kInvalidPointer); }

LiveObjectHandle ILivePage::GlobalObject(const std::string&) { throw CObjectCallError(status::kInvalidPointer); }

}  // namespace marklens
