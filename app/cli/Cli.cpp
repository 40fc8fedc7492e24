#include "app/cli/Cli.h"

#include <algorithm>

CCliCommand::CCliCommand(const char* name_, const char* usage_, CliRun run_)
    : name(name_), usage(usage_), run(run_) {
    All().push_back(this);
}

std::vector<CCliCommand*>& CCliCommand::All() {
    static std::vector<CCliCommand*> commands;
    return commands;
}

CCliArgs::CCliArgs(int argc, char** argv) : m_words(argv, argv + argc) { Parse(); }

void CCliArgs::DeclareFlags(std::initializer_list<const char*> flags) {
    m_flags.insert(m_flags.end(), flags.begin(), flags.end());
    Parse();
}

void CCliArgs::Parse() {
    m_options.clear();
    m_positional.clear();
    for (size_t i = 0; i < m_words.size(); ++i) {
        const std::string& word = m_words[i];
        if (word.size() > 2 && word.compare(0, 2, "--") == 0) {
            bool flag = std::find(m_flags.begin(), m_flags.end(), word) != m_flags.end();
            if (!flag && i + 1 < m_words.size())
                m_options.emplace_back(word, m_words[++i]);
            else
                m_options.emplace_back(word, "");
        } else {
            m_positional.push_back(word);
        }
    }
}

std::string CCliArgs::Get(const char* name, const char* fallback) const {
    for (auto it = m_options.rbegin(); it != m_options.rend(); ++it)
        if (it->first == name)
            return it->second;
    return fallback;
}

bool CCliArgs::Has(const char* name) const {
    return std::any_of(m_options.begin(), m_options.end(),
                       [&](const auto& option) { return option.first == name; });
}

std::vector<std::string> CCliArgs::Unknown(std::initializer_list<const char*> known) const {
    std::vector<std::string> unknown;
    for (const auto& option : m_options)
        if (std::none_of(known.begin(), known.end(),
                         [&](const char* name) { return option.first == name; }))
            unknown.push_back(option.first);
    return unknown;
}
