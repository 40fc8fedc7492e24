#include "app/Version.h"
#include "app/cli/Cli.h"
#include "core/Crash.h"

#include <cstdio>
#include <cstring>

namespace {
void PrintUsage(FILE* out) {
    std::fprintf(out, "%s %s\n\nUsage: modal-atlas-cli COMMAND [OPTIONS]\n\nCommands:\n",
                 MA_PRODUCT_TITLE, MA_VERSION);
    std::fprintf(out, "  %-12s %s\n", "version", "print the version");
    std::fprintf(out, "  %-12s %s\n", "help", "print this list (COMMAND --help: its usage)");
    for (const CCliCommand* command : CCliCommand::All()) {
        // Usages read "ARGS: what it does"; a command without arguments starts with ": ".
        const char* usage = command->usage;
        if (std::strncmp(usage, ": ", 2) == 0)
            usage += 2;
        std::fprintf(out, "  %-12s %s\n", command->name, usage);
    }
}

// "ARGS: what it does" as the command's own usage.
void PrintCommandUsage(const CCliCommand& command) {
    const char* usage = command.usage;
    const char* colon = std::strstr(usage, ": ");
    const int argsLength =
        colon ? static_cast<int>(colon - usage) : static_cast<int>(std::strlen(usage));
    std::printf("Usage: modal-atlas-cli %s%s%.*s\n", command.name, argsLength ? " " : "",
                argsLength, usage);
    if (colon)
        std::printf("\n%s\n", colon + 2);
}

bool AsksForHelp(int argc, char** argv) {
    for (int i = 2; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return true;
    return false;
}
} // namespace

namespace {
int Run(int argc, char** argv);
}

int main(int argc, char** argv) {
    InstallCrashHandler();
    int status = Run(argc, argv);
    RemoveCrashHandler();
    return status;
}

namespace {
int Run(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stdout);
        return 0;
    }
    const char* name = argv[1];
    if (std::strcmp(name, "version") == 0 || std::strcmp(name, "--version") == 0) {
        std::printf("%s %s\n", MA_PRODUCT_TITLE, MA_VERSION);
        return 0;
    }
    if (std::strcmp(name, "help") == 0 || std::strcmp(name, "--help") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    for (const CCliCommand* command : CCliCommand::All()) {
        if (std::strcmp(command->name, name) == 0) {
            if (AsksForHelp(argc, argv)) {
                PrintCommandUsage(*command);
                return 0;
            }
            CCliArgs args(argc - 2, argv + 2);
            return command->run(args);
        }
    }
    std::fprintf(stderr, "modal-atlas-cli: unknown command '%s'\n\n", name);
    PrintUsage(stderr);
    return 2;
}
} // namespace
