// The sub-commands of harukaze-tool. Each takes the arguments after its own name and returns the
// process exit status: 0 success, 1 failure (message on standard error), 2 bad usage.
#pragma once

namespace hk::tool {

int RunIfp(int argc, char** argv);
int RunScr(int argc, char** argv);
int RunRunner(int argc, char** argv);
int RunDemo(int argc, char** argv);

} // namespace hk::tool
