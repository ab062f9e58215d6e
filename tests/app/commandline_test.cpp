#include "app/commandline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

commandline parse(const std::vector<const char*>& arguments) {
    std::vector<const char*> argv = {"zhedit"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    argv.push_back(nullptr);
    return parsecommandline(int(argv.size()) - 1, argv.data());
}

TEST(commandline, optionsandfiles) {
    using cl = commandline;
    struct row {
        std::vector<const char*> arguments;
        cl::actionkind action;
        cl::encodingkind encoding;
        cl::filekind file;
        std::string filename;
    };
    const row rows[] = {
        {{}, cl::edit, cl::automatic, cl::defaultfile, "aaaaa.txt"},
        {{"notes.txt"}, cl::edit, cl::automatic, cl::namedfile, "notes.txt"},
        {{"a.txt", "b.txt"}, cl::edit, cl::automatic, cl::nofile, ""},
        {{"a", "b", "c"}, cl::edit, cl::automatic, cl::nofile, ""},
        {{"--help"}, cl::help, cl::automatic, cl::defaultfile, "aaaaa.txt"},
        {{"-h"}, cl::help, cl::automatic, cl::defaultfile, "aaaaa.txt"},
        {{"--version"}, cl::version, cl::automatic, cl::defaultfile, "aaaaa.txt"},
        {{"--version", "--help"}, cl::version, cl::automatic, cl::defaultfile, "aaaaa.txt"},
        {{"x.txt", "-h", "--version"}, cl::help, cl::automatic, cl::namedfile, "x.txt"},
        // Options are taken out before the files are counted.
        {{"--utf8", "x.txt"}, cl::edit, cl::utf8, cl::namedfile, "x.txt"},
        {{"x.txt", "--gbk"}, cl::edit, cl::gbk, cl::namedfile, "x.txt"},
        {{"--utf8"}, cl::edit, cl::utf8, cl::defaultfile, "aaaaa.txt"},
        {{"--gbk", "a", "--utf8", "b"}, cl::edit, cl::utf8, cl::nofile, ""},
        {{"--utf8", "--gbk", "a"}, cl::edit, cl::gbk, cl::namedfile, "a"},
        // "--" ends the options.
        {{"--", "--help"}, cl::edit, cl::automatic, cl::namedfile, "--help"},
        {{"--utf8", "--", "--gbk"}, cl::edit, cl::utf8, cl::namedfile, "--gbk"},
        {{"--", "--"}, cl::edit, cl::automatic, cl::namedfile, "--"},
        {{"--"}, cl::edit, cl::automatic, cl::defaultfile, "aaaaa.txt"},
        {{"--", "a", "b"}, cl::edit, cl::automatic, cl::nofile, ""},
        {{"a", "--", "b"}, cl::edit, cl::automatic, cl::nofile, ""},
        // Anything else is a file name, however much it looks like an option.
        {{"-x"}, cl::edit, cl::automatic, cl::namedfile, "-x"},
        {{"-"}, cl::edit, cl::automatic, cl::namedfile, "-"},
        {{"--HELP"}, cl::edit, cl::automatic, cl::namedfile, "--HELP"},
        {{"--utf-8"}, cl::edit, cl::automatic, cl::namedfile, "--utf-8"},
        {{"--help=yes"}, cl::edit, cl::automatic, cl::namedfile, "--help=yes"},
        {{"-hv"}, cl::edit, cl::automatic, cl::namedfile, "-hv"},
        {{"\xD6\xD0.txt"}, cl::edit, cl::automatic, cl::namedfile, "\xD6\xD0.txt"},
        {{"-x", "--help"}, cl::help, cl::automatic, cl::namedfile, "-x"},
    };
    for (const row& r : rows) {
        std::string shown;
        for (const char* a : r.arguments) shown += std::string(" ") + a;
        SCOPED_TRACE("zhedit" + shown);
        const commandline line = parse(r.arguments);
        EXPECT_EQ(line.action, r.action);
        EXPECT_EQ(line.encoding, r.encoding);
        EXPECT_EQ(line.file, r.file);
        EXPECT_EQ(line.filename, r.filename);
    }
}

TEST(commandline, anemptyargumentvectoreditsthedefaultfile) {
    const char* const none[] = {nullptr};
    EXPECT_EQ(parsecommandline(0, none).file, commandline::defaultfile);
    EXPECT_EQ(parsecommandline(1, none).file, commandline::defaultfile);
}

TEST(commandline, usagenamestheoptionsandkeys) {
    const std::string usage = usagetext;
    for (const char* word : {"--help", "-h", "--version", "--utf8", "--gbk", " -- ", "F1", "F2", "F3", "F4",
                             "F5", "F6", "F7", "F8", "arrows", "Home", "End", "PgUp", "PgDn", "Delete",
                             "Backspace", "Enter", "Tab", "Ctrl-Z", "Ctrl-Y",
                             "Ctrl-F", "Ctrl-S", "Esc"}) {
        EXPECT_NE(usage.find(word), std::string::npos) << word;
    }
    // Printed on a terminal of any encoding: ASCII only, short lines.
    size_t linestart = 0;
    for (size_t i = 0; i < usage.size(); ++i) {
        EXPECT_LT(static_cast<unsigned char>(usage[i]), 0x80);
        if (usage[i] == '\n') {
            EXPECT_LE(i - linestart, 79u);
            linestart = i + 1;
        }
    }
    EXPECT_EQ(usage.back(), '\n');
    EXPECT_EQ(std::string(versiontext), "zhedit 0.1\n");
}

}  // namespace
