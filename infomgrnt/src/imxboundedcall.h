// Device calls with a time limit, run on worker threads that are kept for the
// next call: starting a thread for every bounded call cost more than the call.
#ifndef TSM_INFOMGRNT_IMXBOUNDEDCALL_H
#define TSM_INFOMGRNT_IMXBOUNDEDCALL_H

#include <chrono>
#include <functional>

namespace InfoMgr {

// Runs `work` on a worker thread and waits at most `limit` for it. True when
// it finished in time. A call that outlives its limit keeps its worker, which
// ends when the call finally returns; `work` must therefore own what it uses.
bool runWithTimeLimit(std::function<void()> work, std::chrono::seconds limit);

}

#endif
