#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// One command of modal-atlas-cli. Each command lives in its own source file and registers
// itself with a static CCliCommand, so adding a command touches no shared table.
class CCliArgs;
using CliRun = int (*)(CCliArgs& args);

class CCliCommand {
public:
    CCliCommand(const char* name, const char* usage, CliRun run);
    const char* name;
    const char* usage;
    CliRun run;
    static std::vector<CCliCommand*>& All();
};

// Options of the form "--name value" and "--flag", plus positional words, in order.
class CCliArgs {
public:
    CCliArgs(int argc, char** argv);
    // The value after --name, or fallback when the option is absent.
    std::string Get(const char* name, const char* fallback = "") const;
    bool Has(const char* name) const;
    // Flags are options without a value; they must be declared so "--mute --root C" parses.
    void DeclareFlags(std::initializer_list<const char*> flags);
    const std::vector<std::string>& Positional() const { return m_positional; }
    // Options given that the command did not ask about, for a clear "unknown option" error.
    std::vector<std::string> Unknown(std::initializer_list<const char*> known) const;

private:
    void Parse();
    std::vector<std::string> m_words;
    std::vector<std::string> m_flags;
    std::vector<std::pair<std::string, std::string>> m_options;
    std::vector<std::string> m_positional;
};
