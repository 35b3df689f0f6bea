#include "pageconnection.h"

namespace marklens {

CPageConnection::CPageConnection(Jobs jobs)
    : side_(std::make_shared<CSide>()), thread_(jobs == Jobs::OnOwnThread ? std::make_unique<CWorkThread>() : nullptr) {
    // Inline jobs never wait: nothing else could be posted meanwhile.
    side_->nextJobSignal = [thread = thread_.get()] {
        if (thread) return thread->NextJobSignal();
        auto asked = std::make_shared<CCancellation>();
        asked->Cancel();
        return asked;
    };
}

CPageConnection::~CPageConnection() {
    cancellation_->Cancel();
    // The page's remote objects are released where they were made.
    Post([](CSide& side) {
        side.probe.reset();
        side.page.reset();
    });
    thread_.reset();
}

void CPageConnection::Post(Job job) {
    if (!thread_) {
        job(*side_);
        return;
    }
    thread_->Post([side = side_, job = std::move(job)] { job(*side); });
}

bool CPageConnection::IsIdle() const { return !thread_ || thread_->IsIdle(); }

}  // namespace marklens
