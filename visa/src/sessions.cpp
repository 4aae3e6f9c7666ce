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
    table().emplace(handle, std::move(session));
    return handle;
}

std::shared_ptr<Session> find_session(ViObject handle) {
    std::lock_guard lock(table_mutex);
    const auto it = table().find(handle);
    return it == table().end() ? nullptr : it->second;
}

bool remove_session(ViObject handle) {
    std::lock_guard lock(table_mutex);
    const auto it = table().find(handle);
    if (it == table().end()) return false;
    const bool is_rm = it->second->kind == Session::Kind::resource_manager;
    table().erase(it);
    if (is_rm)
        std::erase_if(table(), [handle](const auto& entry) { return entry.second->owner == handle; });
    return true;
}

}  // namespace simvisa
