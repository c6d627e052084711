// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>

namespace varnholt::test {

// The unprivileged user a test run as root acts as (nobody).
constexpr uid_t anotherUser = 65534;

// How a child ended: its wait status and everything its work wrote to `out`.
struct ChildEnd {
    int status = 0;
    std::string output;
    [[nodiscard]] bool exitedWith(int code) const;
};

// Work done in a child process, so that what it does to the process (a step hook, a kill,
// a resource limit, another user) ends with it. The child exits with what the work returns.
// It is ended by SIGALRM after ten seconds, as an open that blocked would hang it for good;
// work that throws says why on standard error and exits with `threw`. Asked to run as
// another user, a child of root becomes anotherUser first; any other child stays who it is.
class ChildProcess {
public:
    static constexpr int threw = 64;
    explicit ChildProcess(const std::function<int(int out)>& work, bool asAnotherUser = false);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();
    ChildEnd wait();

private:
    pid_t m_pid = -1;
    int m_out = -1;
};

inline ChildEnd runInChild(const std::function<int(int out)>& work, bool asAnotherUser = false)
{
    return ChildProcess(work, asAnotherUser).wait();
}

} // namespace varnholt::test
