// The VISA library the driver calls: the one already loaded in the process, found by name at
// run time as the program binds it, so that the driver and the program share one library.
#pragma once

#include "visa.h"

namespace voq {

struct VisaCalls {
    decltype(&::viOpenDefaultRM) OpenDefaultRM;
    decltype(&::viOpen) Open;
    decltype(&::viClose) Close;
    decltype(&::viWrite) Write;
    decltype(&::viRead) Read;
    decltype(&::viReadSTB) ReadSTB;
    decltype(&::viClear) Clear;
    decltype(&::viAssertTrigger) AssertTrigger;
    decltype(&::viGetAttribute) GetAttribute;
    decltype(&::viSetAttribute) SetAttribute;
    decltype(&::viStatusDesc) StatusDesc;
};

// The entry points of the loaded VISA library. Until one is loaded, or for a name it lacks,
// a call gives VI_ERROR_LIBRARY_NFOUND.
const VisaCalls& visa();

}  // namespace voq
