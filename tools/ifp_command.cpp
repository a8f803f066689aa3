#include "tools/commands.h"

#include <cstdio>

namespace hk::tool {

int RunIfp(int, char**) {
    std::fputs("harukaze-tool ifp: not available in this build yet\n", stderr);
    return 1;
}

} // namespace hk::tool
