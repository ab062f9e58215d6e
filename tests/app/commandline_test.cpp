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
    }
    const char* const none[] = {nullptr};  // an empty argument vector edits the default file
    EXPECT_EQ(parsecommandline(0, none).file, commandline::defaultfile);
    EXPECT_EQ(parsecommandline(1, none).file, commandline::defaultfile);
}

}  // namespace
