#include "app/commandline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
        bool error = false;
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
        {{"-"}, cl::edit, textcodec::automatic, cl::namedfile, "-"},  // anything else is a file name
        {{"--help=yes"}, cl::edit, textcodec::automatic, cl::namedfile, "--help=yes"},
        {{"-hv"}, cl::edit, textcodec::automatic, cl::namedfile, "-hv"},
        {{"-x", "--help"}, cl::help, textcodec::automatic, cl::namedfile, "-x"},
        {{"--size", "32", "a"}, cl::edit, textcodec::automatic, cl::namedfile, "a", 32},
        {{"a", "--size=48"}, cl::edit, textcodec::automatic, cl::namedfile, "a", 48},
        {{"--size", "7"}, cl::edit, textcodec::automatic, cl::defaultfile, "aaaaa.txt", 0, true},
        {{"--size=abc", "a"}, cl::edit, textcodec::automatic, cl::namedfile, "a", 0, true},
        {{"--size"}, cl::edit, textcodec::automatic, cl::defaultfile, "aaaaa.txt", 0, true},
        {{"--size", "--help"}, cl::edit, textcodec::automatic, cl::defaultfile, "aaaaa.txt", 0, true},
        {{"--", "--size=24"}, cl::edit, textcodec::automatic, cl::namedfile, "--size=24"},
        {{"--sizes"}, cl::edit, textcodec::automatic, cl::namedfile, "--sizes"},
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
        EXPECT_EQ(!line.error.empty(), r.error) << line.error;
    }
    const char* const none[] = {nullptr};  // an empty argument vector edits the default file
    EXPECT_EQ(parsecommandline(0, none).file, commandline::defaultfile);
    EXPECT_EQ(parsecommandline(1, none).file, commandline::defaultfile);
}

}  // namespace
