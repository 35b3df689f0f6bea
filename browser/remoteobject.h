#pragma once
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "devtoolssession.h"

namespace marklens {

// A counted handle's target: one remote object of a session, released when it goes.
class CRemoteObject {
public:
    using Json = nlohmann::json;

    CRemoteObject(DevToolsSessionHandle session, std::string objectId);
    ~CRemoteObject();
    CRemoteObject(const CRemoteObject&) = delete;
    CRemoteObject& operator=(const CRemoteObject&) = delete;

    const std::string& ObjectId() const { return objectId_; }
    const DevToolsSessionHandle& Session() const { return session_; }

    // Calls the function with this object as `this`. Arguments are protocol CallArguments.
    // Returns the result's RemoteObject; a thrown exception becomes CObjectCallError.
    Json Call(const std::string& function, const Json& arguments = Json::array(), bool byValue = true) const;
    // The string result of a call (empty for null or undefined).
    std::string CallForText(const std::string& function, const Json& arguments = Json::array()) const;
    // Sends the call and returns at once; ResultOf reads what Call would have returned. With
    // settled, a promise the function returns is answered once it settles.
    CDevToolsSession::CPendingCall Start(const std::string& function, const Json& arguments = Json::array(),
                                         bool byValue = true, bool settled = false) const;
    static Json ResultOf(CDevToolsSession::CPendingCall& call);

private:
    DevToolsSessionHandle session_;
    std::string objectId_;
};

using RemoteObjectHandle = std::shared_ptr<CRemoteObject>;

// The exception text of a protocol result that carries exceptionDetails, else empty.
std::string ExceptionText(const nlohmann::json& result);

}  // namespace marklens
