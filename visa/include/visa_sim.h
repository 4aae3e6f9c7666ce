/* Extensions of this VISA library beyond the published API. */
#ifndef VISA_SIM_H
#define VISA_SIM_H

#include "visa.h"

#if defined(__cplusplus)
extern "C" {
#endif

/* Receives each line of the I/O trace as the call returns, without its line end, on the
   thread that made the call. */
typedef void (*ViSimTraceHandler)(const char* line, void* user);

/* Installs the handler (NULL removes it); the trace file of VISA_SIM_TRACE is written as
   before. Returns VI_SUCCESS. */
ViStatus viSimSetTraceHandler(ViSimTraceHandler handler, void* user);

#if defined(__cplusplus)
}
#endif

#endif
