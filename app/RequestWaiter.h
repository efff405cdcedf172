#pragma once
// How the program waits for a request that runs on a thread of its own: the windows keep
// painting, show that they wait and let the user stop waiting. Without a waiter a request
// runs on the caller's thread, as the command-line tool has it.

#include <atomic>
#include <functional>

namespace qb {

class IRequestWaiter {
public:
    virtual ~IRequestWaiter() = default;
    // Returns once finished() holds. Setting cancel asks the transfer to stop at its next
    // step; Wait still returns only when it has.
    virtual void Wait(const std::function<bool()>& finished, std::atomic<bool>& cancel) = 0;
};

} // namespace qb
