// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace varnholt::test {

constexpr uid_t anotherUser = 65534; // the unprivileged user a test run as root acts as
constexpr int childThrew = 64; // the exit code of a child whose work threw

// How a child ended: its wait status and everything its work wrote to `out`.
struct ChildEnd {
    int status = 0;
    std::string output;
    [[nodiscard]] bool exitedWith(int code) const { return WIFEXITED(status) && WEXITSTATUS(status) == code; }
};
using ChildWork = std::function<int(int out)>;

// Each work in a child process of its own, all started before any is waited for, so that
// what one does to its process (a step hook, a kill, a limit, another user) ends with it.
// A child exits with what its work returns, or with childThrew, saying why on standard
// error; SIGALRM ends it after ten seconds, as an open that blocked would hang it for good.
// Asked to, a child of root becomes anotherUser first; any other child stays who it is.
inline std::vector<ChildEnd> runInChildren(const std::vector<ChildWork>& works, bool asAnotherUser = false)
{
    std::vector<std::pair<pid_t, int>> started;
    for (const ChildWork& work : works) {
        std::array<int, 2> pipe {};
        std::fflush(nullptr); // a child must not write out what the parent had buffered
        if (::pipe(pipe.data()) != 0 || started.emplace_back(::fork(), pipe[0]).first < 0)
            throw std::runtime_error("no child process");
        if (started.back().first > 0) {
            ::close(pipe[1]);
            continue;
        }
        ::alarm(10);
        try {
            if (asAnotherUser && ::getuid() == 0 && (::setgid(anotherUser) != 0 || ::setuid(anotherUser) != 0))
                throw std::runtime_error("cannot become another user");
            ::_exit(work(pipe[1]));
        } catch (const std::exception& error) {
            std::fprintf(stderr, "the child's work threw: %s\n", error.what());
            ::_exit(childThrew);
        }
    }
    std::vector<ChildEnd> ended(started.size());
    for (std::size_t i = 0; i < started.size(); ++i) {
        std::array<char, 4096> buffer {};
        for (ssize_t got = 0; (got = ::read(started[i].second, buffer.data(), buffer.size())) > 0;)
            ended[i].output.append(buffer.data(), static_cast<std::size_t>(got));
        ::close(started[i].second);
        ::waitpid(started[i].first, &ended[i].status, 0);
    }
    return ended;
}

inline ChildEnd runInChild(const ChildWork& work, bool asAnotherUser = false)
{
    return runInChildren({ work }, asAnotherUser).front();
}

} // namespace varnholt::test
