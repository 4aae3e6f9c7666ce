// The trace handler, for a program that shows its own VISA calls.
#include "call_support.hpp"
#include "visa_sim.h"

VISA_EXPORT ViStatus viSimSetTraceHandler(ViSimTraceHandler handler, void* user) {
    simvisa::set_trace_handler(handler, user);
    return VI_SUCCESS;
}
