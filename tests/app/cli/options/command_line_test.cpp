// The manual page and the bash completion name exactly the commands and options the
// parser has; the manual and the settings' sources every key of the option table.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "app/cli/options/command_line.h"
#include "app/cli/options/option_table.h"
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
    for (const OptionSpec& spec : OptionTable()) {
        if (!spec.key) continue;
        EXPECT_NE(man.find(std::string("config.ini: ") + spec.key), std::string::npos) << spec.key;
        if (spec.byDefault && spec.value)
            EXPECT_NE(man.find(std::string(spec.key) + "; default " + spec.byDefault), std::string::npos)
                << spec.key << "'s default";
    }
}

}  // namespace

namespace {

// The port, and every setting, from the first place that names it: --port,
// KESTRIVANE_PORT, config.ini here, the user's settings file; -v says which.
TEST(Settings, ComeFromTheirPlacesInOrder) {
    const std::string dir = ::testing::TempDir() + "kv-settings";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir + "/xdg/kestrivane");
    std::filesystem::create_directories(dir + "/here");
    std::ofstream(dir + "/xdg/kestrivane/config.ini") << "[OPTIONS]\nPort=/dev/kv-user\nPatience=7\n";
    const auto said = [&](const std::string& environment, const std::string& options) {
        const ProcessResult r = RunProgram({"/bin/sh", "-c", "cd " + dir + "/here && env XDG_CONFIG_HOME=" + dir +
                                                                 "/xdg " + environment + " " KV_CLI_BINARY " -v " +
                                                                 options + " download x.dat"});
        const std::size_t at = r.err.find("kestrivane: port ");
        return at == std::string::npos ? r.err : r.err.substr(at, r.err.find('\n', at) - at);
    };
    const std::string user = dir + "/xdg/kestrivane/config.ini";
    EXPECT_EQ(said("", ""), "kestrivane: port /dev/kv-user (" + user + "), 115200 bit/s (default), packet length "
                            "2048 (default), upload time-out factor 10 (default), patience 7 s (" + user + ")");
    EXPECT_NE(said("KESTRIVANE_PORT=/dev/kv-env", "").find("port /dev/kv-env (KESTRIVANE_PORT)"), std::string::npos);
    std::ofstream(dir + "/here/config.ini") << "[OPTIONS]\nPort=/dev/kv-here\nPacketLength=2048\n";
    EXPECT_NE(said("", "").find("port /dev/kv-here (config.ini), 115200 bit/s (default), packet length 2048 "
                                "(config.ini)"), std::string::npos);
    // Every key of a setting -v tells, from config.ini.
    std::ofstream here(dir + "/here/config.ini");
    here << "[OPTIONS]\n";
    int told = 0;
    for (const OptionSpec& spec : OptionTable()) {
        if (!spec.key || !(spec.commands & OnProgram) || (spec.low > spec.high && std::string(spec.key) != "Port"))
            continue;
        here << spec.key << "=" << (spec.low > spec.high ? "/dev/kv-here" : std::to_string(spec.high)) << "\n";
        ++told;
    }
    here.close();
    const std::string all = said("", "");
    int fromFile = 0;
    for (std::size_t at = all.find("(config.ini)"); at != std::string::npos; at = all.find("(config.ini)", at + 1))
        ++fromFile;
    EXPECT_EQ(fromFile, told) << all;
    EXPECT_NE(said("KESTRIVANE_PORT=/dev/kv-env", "--port /dev/kv-option").find("port /dev/kv-option (--port)"),
              std::string::npos);
    // A config.ini without PacketLength means full packets; one that can never read a
    // packet whole stops what reads the box, before it is touched.
    std::ofstream(dir + "/here/config.ini") << "[OPTIONS]\nPort=/dev/kv-here\n";
    EXPECT_NE(said("", "").find("packet length 2048 (default)"), std::string::npos);
    std::ofstream(dir + "/here/config.ini") << "[OPTIONS]\nPort=/dev/kv-here\nPacketLength=100\n";
    EXPECT_EQ(said("", ""), "kestrivane: config.ini's PacketLength 100 can never read a whole data packet (2048 to "
                            "2979 can): set PacketLength=2048 there, the length of the box's full packets\n");
    // A line speed is held to --baud's bounds wherever it comes from.
    std::ofstream(dir + "/here/config.ini") << "[OPTIONS]\nPort=/dev/kv-here\nBAUD_RATE=99999999999\n";
    EXPECT_EQ(said("", ""), "kestrivane: config.ini's BAUD_RATE \"99999999999\" is not a line speed (1 to 100000000 "
                            "bit/s): set one there, or give --baud\n");
    std::filesystem::remove_all(dir);
}

}  // namespace

namespace {

TEST(Help, SaysTheCommandsOwnFirstAndTheNearestNameAlone) {
    ProcessResult r = RunProgram({KV_CLI_BINARY, "downlaod", "x.dat"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "kestrivane: unknown command downlaod; did you mean download? (kestrivane --help lists them)\n");
    EXPECT_EQ(RunProgram({KV_CLI_BINARY, "help", "dowload"}).err,
              "kestrivane: no command dowload; did you mean download? (kestrivane help lists them)\n");
    r = RunProgram({KV_CLI_BINARY, "download"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("kestrivane: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("(kestrivane help download says more)"), std::string::npos) << r.err;
    EXPECT_EQ(RunProgram({KV_CLI_BINARY, "-V"}).out, RunProgram({KV_CLI_BINARY, "--version"}).out);
    r = RunProgram({KV_CLI_BINARY, "help", "upload"});
    EXPECT_EQ(r.status, 0);
    const std::size_t own = r.out.find("--sections"), shared = r.out.find("Options shared by every command");
    EXPECT_TRUE(own != std::string::npos && shared != std::string::npos && own < shared) << r.out;
    EXPECT_EQ(r.out.find("--port", shared), r.out.rfind("--port")) << "the shared options once";
    r = RunProgram({"/bin/sh", "-c", "COLUMNS=80 " KV_BOX_BINARY " --help"});
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) EXPECT_LT(line.size(), 80u) << line;
    EXPECT_NE(r.out.find("3 s of boot\n                   chatter first"), std::string::npos)
        << "a table's line continues under its description:\n" << r.out;
}

}  // namespace
