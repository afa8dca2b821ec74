#pragma once
// nvxcall's exit codes. Scripts rely on them: never renumber, only add.

namespace nvxcall {

enum ExitCode : int {
    kSucceeded = 0,
    kCallFailed = 1,       // the service answered with a fault, or the library reported an error
    kUsage = 2,            // the command line is wrong
    kNotInstalled = 3,     // the library cannot be created (not registered for this bitness)
    kNoSuchOperation = 4,  // the service's WSDL has no operation of that name
};

}  // namespace nvxcall
