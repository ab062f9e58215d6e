#include "app/commandline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/wayout.h"

namespace {

TEST(commandline, optionsandfiles) {
    using cl = commandline;
    const struct {
        std::vector<const char*> arguments;
        cl::actionkind action;
        textcodec::encodingkind encoding;
        cl::filekind file;
        std::string filename;
        int textsize = 0;
        std::string mistakeargument = "";
    } rows[] = {
        {{}, cl::edit, textcodec::automatic, cl::defaultfile, "aaaaa.txt"},
        {{"notes.txt"}, cl::edit, textcodec::automatic, cl::namedfile, "notes.txt"},
        {{"a.txt", "b.txt"}, cl::edit, textcodec::automatic, cl::nofile, ""},
        {{"-h"}, cl::help, textcodec::automatic, cl::defaultfile, "aaaaa.txt"},
        {{"--version", "--help"}, cl::version, textcodec::automatic, cl::defaultfile, "aaaaa.txt"},
        {{"x.txt", "-h", "--version"}, cl::help, textcodec::automatic, cl::namedfile, "x.txt"},
        {{"--utf8", "x.txt"}, cl::edit, textcodec::utf8, cl::namedfile, "x.txt"},  // options are out before counting
        {{"--gbk", "a", "--utf8", "b"}, cl::edit, textcodec::utf8, cl::nofile, ""},
        {{"--utf8", "--gbk", "a"}, cl::edit, textcodec::gbk, cl::namedfile, "a"},
        {{"--utf8", "--", "--gbk"}, cl::edit, textcodec::utf8, cl::namedfile, "--gbk"},  // "--" ends the options
        {{"--", "--"}, cl::edit, textcodec::automatic, cl::namedfile, "--"},
        {{"--"}, cl::edit, textcodec::automatic, cl::defaultfile, "aaaaa.txt"},
        {{"a", "--", "b"}, cl::edit, textcodec::automatic, cl::nofile, ""},
        {{"--", "-"}, cl::edit, textcodec::automatic, cl::namedfile, "-"},
        {{"--size", "32", "a"}, cl::edit, textcodec::automatic, cl::namedfile, "a", 32},
        {{"--size=12", "--size=96"}, cl::edit, textcodec::automatic, cl::defaultfile, "aaaaa.txt", 96},
        // Mistakes: the first mistake or text asked for wins, and files are still counted.
        {{"-"}, cl::mistake, textcodec::automatic, cl::defaultfile, "aaaaa.txt", 0, "-"},
        {{"--versoin", "x"}, cl::mistake, textcodec::automatic, cl::namedfile, "x", 0, "--versoin"},
        {{"-x", "--help"}, cl::mistake, textcodec::automatic, cl::defaultfile, "aaaaa.txt", 0, "-x"},
        {{"--help=yes"}, cl::mistake, textcodec::automatic, cl::defaultfile, "aaaaa.txt", 0, "--help=yes"},
        {{"--size"}, cl::mistake, textcodec::automatic, cl::defaultfile, "aaaaa.txt", 0, "--size"},
        {{"--size", "7"}, cl::mistake, textcodec::automatic, cl::defaultfile, "aaaaa.txt", 0, "--size"},
        {{"--size=98"}, cl::mistake, textcodec::automatic, cl::defaultfile, "aaaaa.txt", 0, "--size=98"},
        {{"--size=abc"}, cl::mistake, textcodec::automatic, cl::defaultfile, "aaaaa.txt", 0, "--size=abc"},
        {{"--size=", "a"}, cl::mistake, textcodec::automatic, cl::namedfile, "a", 0, "--size="},
    };
    for (const auto& r : rows) {
        std::vector<const char*> argv = {"zhedit"};
        argv.insert(argv.end(), r.arguments.begin(), r.arguments.end());
        SCOPED_TRACE(testing::PrintToString(std::vector<std::string>(argv.begin(), argv.end())));
        argv.push_back(nullptr);
        const commandline line = parsecommandline(int(argv.size()) - 1, argv.data());
        EXPECT_EQ(line.action, r.action);
        EXPECT_EQ(line.encoding, r.encoding);
        EXPECT_EQ(line.file, r.file);
        EXPECT_EQ(line.filename, r.filename);
        EXPECT_EQ(line.textsize, r.textsize);
        EXPECT_EQ(line.mistakeargument, r.mistakeargument);
        EXPECT_EQ(line.mistakereason.empty(), r.mistakeargument.empty());
    }
    const char* const none[] = {nullptr};  // an empty argument vector edits the default file
    EXPECT_EQ(parsecommandline(0, none).file, commandline::defaultfile);
    EXPECT_EQ(parsecommandline(1, none).file, commandline::defaultfile);
}

// The line that reports a mistake (or any failure) shows control bytes,
// never sends them to the terminal; a Chinese name keeps its bytes.
TEST(commandline, reasonlineshowscontrolbytes) {
    EXPECT_EQ(wayout::reasonline("-\x1b[2J\x7f", "unknown option"), "zhedit: -\\x1B[2J\\x7F: unknown option\n");
    EXPECT_EQ(wayout::reasonline("\xD6\xD0\n", "x\ty"), "zhedit: \xD6\xD0\\x0A: x\\x09y\n");
}

}  // namespace
