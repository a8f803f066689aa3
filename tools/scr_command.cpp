#include "tools/commands.h"

#include <cstdio>

namespace hk::tool {

int RunScr(int, char**) {
    std::fputs("harukaze-tool scr: not available in this build yet\n", stderr);
    return 1;
}

} // namespace hk::tool
