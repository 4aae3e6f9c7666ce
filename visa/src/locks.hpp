// The locks of a resource: one exclusive holder, or sessions sharing a key.
#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <stop_token>
#include <string>

#include "visa.h"

namespace simvisa {

// A pending call's way out: requested once viClear or viTerminate ends the session's calls.
struct Stop {
    std::stop_token token;
    bool requested() const { return token.stop_requested(); }
};

class LockTable {
public:
    // viLock: waits up to `timeout_ms` for the lock; the shared key granted in `key`.
    ViStatus lock(ViSession vi, ViAccessMode type, ViUInt32 timeout_ms, const char* requested,
                  std::string& key, Stop stop);
    ViStatus unlock(ViSession vi);
    void release(ViSession vi);  // all its locks, when the session closes
    // Whether the session may use the resource: no other session holds a lock it lacks.
    bool may_access(ViSession vi) const;
    ViAccessMode state() const;  // VI_NO_LOCK, VI_EXCLUSIVE_LOCK or VI_SHARED_LOCK

private:
    bool grantable(ViSession vi, ViAccessMode type, const std::string& key) const;

    mutable std::mutex mutex_;
    std::condition_variable released_;
    ViSession exclusive_ = 0;
    unsigned exclusive_count_ = 0;
    std::map<ViSession, unsigned> shared_;  // holders and their nesting
    std::string shared_key_;
    unsigned keys_made_ = 0;
};

}  // namespace simvisa
