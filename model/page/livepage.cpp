#include "livepage.h"

#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"

namespace marklens {

void ILivePage::ExecScript(const std::string&) { throw CObjectCallError(status::kInvalidPointer); }

namespace {

// Taken when asked for.
class CPictureWhenTaken : public IPendingPicture {
public:
    explicit CPictureWhenTaken(ILivePage& page) : page_(page) {}
    CPicture Take() override { return page_.CapturePictureInPlace(); }

private:
    ILivePage& page_;
};

}  // namespace

std::unique_ptr<IPendingPicture> ILivePage::StartPictureInPlace() { return std::make_unique<CPictureWhenTaken>(*this); }

LiveObjectHandle ILivePage::GlobalObject(const std::string&) { throw CObjectCallError(status::kInvalidPointer); }

}  // namespace marklens
