#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "base/workthread.h"
#include "model/mirror/mirrorfacts.h"
#include "model/mirror/stableids.h"
#include "model/page/livepage.h"
#include "model/page/pageprobe.h"

namespace marklens {

// The session side of one page: the page and its probe, which only the connection's own
// thread touches. The document holds the connection, posts work to it and hears back through
// the user interface's event loop; it never holds the page's objects itself.
class CPageConnection {
public:
    // What lives on the connection's thread.
    struct CSide {
        LivePageHandle page;
        PageProbeHandle probe;
        CStableIds ids;                // the mirror's node identifiers, and the probe's numbers for them
        MirrorFactsHandle builtFacts;  // of the mirror built of the probe's last walk
        // For a job that waits on the page: asked for as soon as another job is posted.
        std::function<CancellationHandle()> nextJobSignal;
        // The picture started as soon as a change was seen, and the page's mark then: it goes
        // with the next walk while nothing changed since.
        std::unique_ptr<IPendingPicture> earlyPicture;
        std::int64_t earlyMark = -1;
    };
    using Job = std::function<void(CSide&)>;
    enum class Jobs { OnOwnThread, Inline };

    // Inline runs each job at once on the posting thread: for the document's tests with fakes.
    explicit CPageConnection(Jobs jobs);
    // Cancels what runs, lets go of the page on the connection's thread, and joins it.
    ~CPageConnection();
    CPageConnection(const CPageConnection&) = delete;
    CPageConnection& operator=(const CPageConnection&) = delete;

    // Runs the job after every job posted before it.
    void Post(Job job);
    // True once every job posted so far has run.
    bool IsIdle() const;
    // The cancellation of the connection's everyday work, asked for when the connection goes.
    const CancellationHandle& Cancellation() const { return cancellation_; }

private:
    CancellationHandle cancellation_ = std::make_shared<CCancellation>();
    std::shared_ptr<CSide> side_;
    std::unique_ptr<CWorkThread> thread_;
};

using PageConnectionHandle = std::shared_ptr<CPageConnection>;

}  // namespace marklens
