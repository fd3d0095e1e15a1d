#include "faults/cli_child.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>

#include <gtest/gtest.h>

extern char** environ;

namespace pixmill::testing {

pid_t startCli(const std::vector<std::string>& arguments, const std::string& configFolder,
               int killAt) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry)
        environment.push_back(*entry);
    environment.push_back("PIXMILL_CONFIG_DIR=" + configFolder);
    if (killAt > 0)
        environment.push_back("PIXMILL_KILL_AT_FILE_STEP=" + std::to_string(killAt));
    std::vector<std::string> argv{std::string(std::getenv("PIXMILL_BIN_DIR")) + "/pixmill-cli"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    argv.push_back("-q");
    std::vector<char*> args, envp;
    for (auto& text : argv)
        args.push_back(text.data());
    for (auto& text : environment)
        envp.push_back(text.data());
    args.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

ChildEnd waitCli(pid_t pid) {
    int status = 0;
    struct rusage usage {};
    ChildEnd end;
    if (::wait4(pid, &status, 0, &usage) != pid)
        return end;
    end.status = WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
    end.peakKiB = usage.ru_maxrss;
    return end;
}

}  // namespace pixmill::testing
