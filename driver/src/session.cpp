#include "session.hpp"

#include <mutex>
#include <unordered_map>

namespace voq {

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<ViSession, SessionState> sessions;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

SessionState session_state(ViSession vi) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    const auto it = r.sessions.find(vi);
    return it == r.sessions.end() ? SessionState{} : it->second;
}

void update_session(ViSession vi, const std::function<void(SessionState&)>& change) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    change(r.sessions[vi]);
}

void forget_session(ViSession vi) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.sessions.erase(vi);
}

}  // namespace voq
