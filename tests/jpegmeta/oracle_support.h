#pragma once
// What the suites that use outside programs as oracles share.

#include <cstdio>
#include <cstdlib>
#include <string>

namespace pixmill::testing {

// Runs a shell command line (the paths are the test's own temporary ones) and returns its
// standard output; standard error is dropped.
inline std::string runCommand(const std::string& command) {
    std::string output;
    if (std::FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, got);
        ::pclose(pipe);
    }
    return output;
}

// Under CI=true a missing oracle is a failure, not a skip.
inline bool inContinuousIntegration() {
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

}  // namespace pixmill::testing
