#include "locks.hpp"

#include <chrono>
#include <cstring>

namespace simvisa {

namespace {
constexpr std::size_t kMaxKey = 255;
constexpr auto kStopCheck = std::chrono::milliseconds(10);
}  // namespace

bool LockTable::grantable(ViSession vi, ViAccessMode type, const std::string& key) const {
    if (exclusive_ != 0 && exclusive_ != vi) return false;
    if (type == VI_EXCLUSIVE_LOCK)
        return shared_.empty() || (shared_.size() == 1 && shared_.count(vi) == 1);
    return shared_.empty() || key == shared_key_;
}

ViStatus LockTable::lock(ViSession vi, ViAccessMode type, ViUInt32 timeout_ms,
                         const char* requested, std::string& key, Stop stop) {
    if (type != VI_EXCLUSIVE_LOCK && type != VI_SHARED_LOCK) return VI_ERROR_INV_LOCK_TYPE;
    if (requested != nullptr && std::strlen(requested) > kMaxKey) return VI_ERROR_INV_ACCESS_KEY;
    std::unique_lock lock(mutex_);
    if (type == VI_SHARED_LOCK) {
        if (requested != nullptr && *requested != '\0') key = requested;
        else if (shared_.count(vi) != 0 || (!shared_.empty() && exclusive_ == vi)) key = shared_key_;
        else if (shared_.empty()) key = "simkey" + std::to_string(vi) + "." + std::to_string(++keys_made_);
        else key.clear();  // a new key while others share theirs: wait for them to go
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!grantable(vi, type, key) || (type == VI_SHARED_LOCK && key.empty())) {
        if (stop.requested()) return VI_ERROR_ABORT;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return VI_ERROR_RSRC_LOCKED;
        released_.wait_until(lock, std::min(deadline, now + kStopCheck));
        if (type == VI_SHARED_LOCK && key.empty() && shared_.empty())
            key = "simkey" + std::to_string(vi) + "." + std::to_string(++keys_made_);
    }
    if (type == VI_EXCLUSIVE_LOCK) {
        exclusive_ = vi;
        return ++exclusive_count_ > 1 ? VI_SUCCESS_NESTED_EXCLUSIVE : VI_SUCCESS;
    }
    shared_key_ = key;
    return ++shared_[vi] > 1 ? VI_SUCCESS_NESTED_SHARED : VI_SUCCESS;
}

ViStatus LockTable::unlock(ViSession vi) {
    std::lock_guard lock(mutex_);
    ViStatus st = VI_SUCCESS;
    if (exclusive_ == vi) {
        if (--exclusive_count_ == 0) exclusive_ = 0;
    } else if (const auto it = shared_.find(vi); it != shared_.end()) {
        if (--it->second == 0) shared_.erase(it);
        if (shared_.empty()) shared_key_.clear();
    } else {
        return VI_ERROR_SESN_NLOCKED;
    }
    if (exclusive_ == vi) st = VI_SUCCESS_NESTED_EXCLUSIVE;
    else if (shared_.count(vi) != 0) st = VI_SUCCESS_NESTED_SHARED;
    released_.notify_all();
    return st;
}

void LockTable::release(ViSession vi) {
    std::lock_guard lock(mutex_);
    if (exclusive_ == vi) {
        exclusive_ = 0;
        exclusive_count_ = 0;
    }
    shared_.erase(vi);
    if (shared_.empty()) shared_key_.clear();
    released_.notify_all();
}

bool LockTable::may_access(ViSession vi) const {
    std::lock_guard lock(mutex_);
    if (exclusive_ != 0) return exclusive_ == vi;
    return shared_.empty() || shared_.count(vi) != 0;
}

ViAccessMode LockTable::state() const {
    std::lock_guard lock(mutex_);
    if (exclusive_ != 0) return VI_EXCLUSIVE_LOCK;
    return shared_.empty() ? VI_NO_LOCK : VI_SHARED_LOCK;
}

}  // namespace simvisa
