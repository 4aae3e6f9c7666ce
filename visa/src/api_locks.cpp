// Exclusive and shared locks on resources.
#include <string>

#include "call_support.hpp"

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
    if (st >= 0 && type == VI_SHARED_LOCK) copy_name(access_key, key);
    return finish(call, st, type == VI_SHARED_LOCK && st >= 0 ? " key=" + quoted(key) : "");
}

VISA_EXPORT ViStatus viUnlock(ViSession vi) {
    const std::string call = "viUnlock(" + hex(vi) + ")";
    auto s = instrument(vi);
    if (!s) return finish(call, VI_ERROR_INV_OBJECT);
    return finish(call, s->device->locks.unlock(vi));
}
