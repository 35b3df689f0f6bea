#include "recordingelement.h"

#include "model/errors/objectcallerror.h"

namespace marklens::test {

std::string CRecordingElement::Read(const std::optional<std::uint32_t>& failure, const std::string& value) const {
    if (failure) throw CObjectCallError(*failure, failureMessage);
    return value;
}

void CRecordingElement::Write(const std::string& entry) {
    if (writeFailure) throw CObjectCallError(*writeFailure, failureMessage);
    writes.push_back(entry);
}

std::string CElementProbe::RequestMirror(ILivePage& page, int reserved1, int reserved2) {
    ++mirrorRequests;
    return CFakeProbe::RequestMirror(page, reserved1, reserved2);
}

LiveElementHandle CElementProbe::ElementForId(const std::string& nodeIdText) {
    CFakeProbe::ElementForId(nodeIdText);
    return element;
}

}  // namespace marklens::test
