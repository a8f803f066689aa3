#include "support/run_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace hk::test {

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                         const std::filesystem::path& cwd) {
    // Standard input and both outputs go through temporary files: no pipe can fill up.
    char in_name[] = "/tmp/hk-in-XXXXXX", out_name[] = "/tmp/hk-out-XXXXXX", err_name[] = "/tmp/hk-err-XXXXXX";
    const int in_fd = ::mkstemp(in_name), out_fd = ::mkstemp(out_name), err_fd = ::mkstemp(err_name);
    if (::write(in_fd, input.data(), input.size()) != static_cast<ssize_t>(input.size()))
        return {};
    ::lseek(in_fd, 0, SEEK_SET);

    ProcessResult result;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in_fd, 0);
        ::dup2(out_fd, 1);
        ::dup2(err_fd, 2);
        if (!cwd.empty() && ::chdir(cwd.c_str()) != 0)
            ::_exit(127);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    auto slurp = [](const char* name) {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    result.out = slurp(out_name);
    result.err = slurp(err_name);
    for (int fd : {in_fd, out_fd, err_fd})
        ::close(fd);
    for (const char* name : {in_name, out_name, err_name})
        ::unlink(name);
    return result;
}

} // namespace hk::test
