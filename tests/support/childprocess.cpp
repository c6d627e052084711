// SPDX-License-Identifier: MIT
#include "childprocess.h"

#include <array>
#include <cstdio>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace varnholt::test {

bool ChildEnd::exitedWith(int code) const
{
    return WIFEXITED(status) && WEXITSTATUS(status) == code;
}

ChildProcess::ChildProcess(const std::function<int(int out)>& work, bool asAnotherUser)
{
    std::array<int, 2> pipe {};
    if (::pipe(pipe.data()) != 0)
        throw std::runtime_error("no pipe");
    std::fflush(nullptr); // a child must not write out what the parent had buffered
    m_pid = ::fork();
    if (m_pid < 0)
        throw std::runtime_error("no child process");
    if (m_pid == 0) {
        ::close(pipe[0]);
        ::alarm(10);
        try {
            if (asAnotherUser && ::getuid() == 0 && (::setgid(anotherUser) != 0 || ::setuid(anotherUser) != 0))
                throw std::runtime_error("cannot become another user");
            ::_exit(work(pipe[1]));
        } catch (const std::exception& error) {
            std::fprintf(stderr, "the child's work threw: %s\n", error.what());
            ::_exit(threw);
        }
    }
    ::close(pipe[1]);
    m_out = pipe[0];
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0)
        wait();
}

ChildEnd ChildProcess::wait()
{
    ChildEnd end;
    std::array<char, 4096> buffer {};
    for (ssize_t got = 0; (got = ::read(m_out, buffer.data(), buffer.size())) > 0;)
        end.output.append(buffer.data(), static_cast<std::size_t>(got));
    ::close(m_out);
    ::waitpid(m_pid, &end.status, 0);
    m_pid = -1;
    return end;
}

} // namespace varnholt::test
