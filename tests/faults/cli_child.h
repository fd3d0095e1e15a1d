#pragma once
// pixmill-cli as a child process of a test: started with its output discarded, optionally
// set to kill itself at its n-th file step (PIXMILL_KILL_AT_FILE_STEP), and waited for with
// its peak resident memory.

#include <sys/types.h>

#include <string>
#include <vector>

namespace pixmill::testing {

struct ChildEnd {
    int status = -1000;  // the exit status, or minus the signal that ended it
    long peakKiB = 0;    // ru_maxrss of the child alone
};

// `arguments` without the program; "-q" is added. The settings are read from `configFolder`.
pid_t startCli(const std::vector<std::string>& arguments, const std::string& configFolder,
               int killAt = 0);
ChildEnd waitCli(pid_t pid);

}  // namespace pixmill::testing
