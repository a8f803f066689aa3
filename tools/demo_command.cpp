#include "tools/commands.h"

#include <cstdio>

namespace hk::tool {

int RunDemo(int, char**) {
    std::fputs("harukaze-tool demo: not available in this build yet\n", stderr);
    return 1;
}

} // namespace hk::tool
