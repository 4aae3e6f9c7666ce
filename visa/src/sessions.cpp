#include "sessions.hpp"

#include <map>

namespace simvisa {

namespace {

std::mutex table_mutex;
std::map<ViObject, std::shared_ptr<Session>>& table() {
    static std::map<ViObject, std::shared_ptr<Session>> sessions;
    return sessions;
}
ViObject next_handle = 0x10;

}  // namespace

ViObject add_session(std::shared_ptr<Session> session) {
    std::lock_guard lock(table_mutex);
    const ViObject handle = next_handle++;
    session->handle = handle;
    table().emplace(handle, std::move(session));
    return handle;
}

std::shared_ptr<Session> find_session(ViObject handle) {
    std::lock_guard lock(table_mutex);
    const auto it = table().find(handle);
    return it == table().end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<Session>> remove_session(ViObject handle) {
    std::lock_guard lock(table_mutex);
    std::vector<std::shared_ptr<Session>> removed;
    const auto it = table().find(handle);
    if (it == table().end()) return removed;
    removed.push_back(it->second);
    table().erase(it);
    // What the session owns goes with it: a resource manager's sessions and lists, a
    // session's event objects; then theirs.
    for (std::size_t i = 0; i < removed.size(); ++i) {
        const ViObject owner = removed[i]->handle;
        std::erase_if(table(), [&](const auto& entry) {
            if (entry.second->owner != owner) return false;
            removed.push_back(entry.second);
            return true;
        });
    }
    return removed;
}

std::vector<std::shared_ptr<Session>> sessions_of(const Device* device) {
    std::lock_guard lock(table_mutex);
    std::vector<std::shared_ptr<Session>> out;
    for (const auto& [handle, s] : table())
        if (s->kind == Session::Kind::instrument && s->device == device) out.push_back(s);
    return out;
}

}  // namespace simvisa
