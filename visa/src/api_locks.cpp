// Exclusive and shared locks on resources.
#include <string>

#include "call_support.hpp"
#include "net/link.hpp"

using namespace simvisa;

VISA_EXPORT ViStatus viLock(ViSession vi, ViAccessMode type, ViUInt32 timeout,
                            ViConstKeyId requested, ViChar access_key[]) {
    const std::string call = "viLock(" + hex(vi) + ", " + std::to_string(type) + ", " +
                             std::to_string(timeout) + ", " + text_or_null(requested) + ")";
    auto s = instrument(vi);
    if (!s) return finish(call, VI_ERROR_INV_OBJECT);
    std::string key;
    const ViStatus st = s->device->locks.lock(
        vi, type, timeout, type == VI_SHARED_LOCK ? requested : nullptr, key, stop_of(*s));
    if (st >= 0 && s->link) {
        // The lock is carried to the device, so that it holds against other machines.
        std::lock_guard io(s->io);
        if (s->device_locks == 0) {
            const ViStatus remote = s->link->lock(type == VI_SHARED_LOCK ? key : std::string(), timeout);
            if (remote < 0) {
                s->device->locks.unlock(vi);
                return finish(call, remote);
            }
        }
        ++s->device_locks;
    }
    if (st >= 0 && type == VI_SHARED_LOCK) copy_name(access_key, key);
    return finish(call, st, type == VI_SHARED_LOCK && st >= 0 ? " key=" + quoted(key) : "");
}

VISA_EXPORT ViStatus viUnlock(ViSession vi) {
    const std::string call = "viUnlock(" + hex(vi) + ")";
    auto s = instrument(vi);
    if (!s) return finish(call, VI_ERROR_INV_OBJECT);
    const ViStatus st = s->device->locks.unlock(vi);
    if (st >= 0 && s->link && s->device_locks > 0 && --s->device_locks == 0) {
        std::lock_guard io(s->io);
        if (const ViStatus remote = s->link->unlock(); remote < 0) return finish(call, remote);
    }
    return finish(call, st);
}
