// The manual page and the bash completion name exactly the commands and options the
// parser has.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "app/cli/options/command_line.h"
#include "support/process.h"

namespace {

using Names = std::set<std::string>;

Names LongOptions(const CLI::App& app) {
    Names names;
    for (const CLI::Option* o : app.get_options())
        for (const std::string& n : o->get_lnames()) names.insert("--" + n);
    return names;
}

// What the completion offers after `words`, the last of them being completed.
Names Completed(const std::string& words, int cword) {
    const ProcessResult r = RunProgram({"/bin/bash", "-c", "source " KV_COMPLETION "; COMP_WORDS=(" + words +
                                                               "); COMP_CWORD=" + std::to_string(cword) +
                                                               "; _kestrivane; printf '%s\\n' \"${COMPREPLY[@]}\""});
    Names names;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) names.insert(line);
    return names;
}

TEST(OptionLists, ManualPageAndCompletionNameWhatTheParserHas) {
    CommandLineValues values;
    const CommandLineParser line(values);
    std::ifstream in(KV_MAN_PAGE);
    const std::string man((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Names inManual;
    const std::regex option(R"(\\-\\-[a-z]+(\\-[a-z]+)*)");
    for (auto it = std::sregex_iterator(man.begin(), man.end(), option); it != std::sregex_iterator(); ++it)
        inManual.insert(std::regex_replace(it->str(), std::regex(R"(\\-)"), "-"));

    Names commands, everyOption = LongOptions(*line.app);
    EXPECT_EQ(Completed("kestrivane --", 1), LongOptions(*line.app)) << "the program's own options";
    for (const CLI::App* command : line.app->get_subcommands([](const CLI::App*) { return true; })) {
        const std::string name = command->get_name();
        commands.insert(name);
        EXPECT_EQ(Completed("kestrivane " + name + " --", 2), LongOptions(*command)) << name;
        EXPECT_NE(man.find("\n.B " + name), std::string::npos) << name << " has no entry in the manual page";
        const Names own = LongOptions(*command);
        everyOption.insert(own.begin(), own.end());
        for (const CLI::App* served : command->get_subcommands([](const CLI::App*) { return true; }))  // a station's
            EXPECT_EQ(Completed("kestrivane " + name + " " + served->get_name() + " --", 3), LongOptions(*served))
                << name << " " << served->get_name();
    }
    EXPECT_EQ(Completed("kestrivane ''", 1), commands);
    EXPECT_EQ(inManual, everyOption);
}

}  // namespace
