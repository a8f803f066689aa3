// harukaze-tool: the one command-line program for authors, testers and modders.
#include "tools/commands.h"

#include <cstdio>
#include <cstring>
#include <exception>

namespace {

constexpr const char* kUsage = "usage: harukaze-tool COMMAND [ARGS...]\n"
                               "\n"
                               "commands:\n"
                               "  ifp list|extract|pack   read and write archive files (SCR.IFP, GRP.IFP)\n"
                               "  scr disasm|asm          turn scenes into text and back\n"
                               "  run                     play a game directory headless from an input script\n"
                               "  demo OUTDIR             generate the sample game\n"
                               "\n"
                               "Run 'harukaze-tool COMMAND --help' for the arguments of a command.\n";

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    const char* command = argv[1];
    struct Entry {
        const char* name;
        int (*run)(int, char**);
    };
    static const Entry kCommands[] = {
        {"ifp", hk::tool::RunIfp},
        {"scr", hk::tool::RunScr},
        {"run", hk::tool::RunRunner},
        {"demo", hk::tool::RunDemo},
    };
    for (const Entry& entry : kCommands) {
        if (std::strcmp(command, entry.name) == 0) {
            try {
                return entry.run(argc - 2, argv + 2);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "error: %s\n", e.what());
                return 1;
            }
        }
    }
    std::fprintf(stderr, "harukaze-tool: unknown command '%s'\n\n%s", command, kUsage);
    return 2;
}
