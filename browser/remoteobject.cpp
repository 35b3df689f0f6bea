#include "remoteobject.h"

#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"

namespace marklens {

std::string ExceptionText(const nlohmann::json& result) {
    const auto details = result.find("exceptionDetails");
    if (details == result.end()) return {};
    const auto exception = details->find("exception");
    if (exception != details->end()) {
        const std::string description = exception->value("description", std::string());
        if (!description.empty()) return description.substr(0, description.find('\n'));
    }
    return details->value("text", std::string("script exception"));
}

CRemoteObject::CRemoteObject(DevToolsSessionHandle session, std::string objectId)
    : session_(std::move(session)), objectId_(std::move(objectId)) {}

CRemoteObject::~CRemoteObject() { session_->Notify("Runtime.releaseObject", {{"objectId", objectId_}}); }

CRemoteObject::Json CRemoteObject::Call(const std::string& function, const Json& arguments, bool byValue) const {
    CDevToolsSession::CPendingCall call = Start(function, arguments, byValue);
    return ResultOf(call);
}

CDevToolsSession::CPendingCall CRemoteObject::Start(const std::string& function, const Json& arguments, bool byValue,
                                                    bool settled) const {
    Json params = {{"functionDeclaration", function},
                   {"objectId", objectId_},
                   {"arguments", arguments},
                   {"returnByValue", byValue},
                   {"silent", true}};
    if (settled) params["awaitPromise"] = true;
    return session_->Start("Runtime.callFunctionOn", params);
}

CRemoteObject::Json CRemoteObject::ResultOf(CDevToolsSession::CPendingCall& call) {
    Json result = call.Result();
    if (const std::string error = ExceptionText(result); !error.empty()) {
        throw CObjectCallError(status::kFail, error);
    }
    return std::move(result["result"]);
}

std::string CRemoteObject::CallForText(const std::string& function, const Json& arguments) const {
    Json value = Call(function, arguments, true);
    const auto text = value.find("value");
    if (text == value.end() || !text->is_string()) return {};
    return std::move(text->get_ref<std::string&>());
}

}  // namespace marklens
