// Runs harukaze-tool (or any program) and collects its exit status and output.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace hk::test {

struct ProcessResult {
    int status = -1; // exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs `program` with `args` in `cwd` (the current directory when empty), feeding `input` to
// its standard input.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input = {}, const std::filesystem::path& cwd = {});

// The same for the harukaze-tool built with the tests.
inline ProcessResult RunTool(const std::vector<std::string>& args, const std::string& input = {},
                             const std::filesystem::path& cwd = {}) {
    return RunProcess(HARUKAZE_TOOL_PATH, args, input, cwd);
}

} // namespace hk::test
