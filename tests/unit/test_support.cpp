// Argument files, the run log, path splitting and joining, wildcard output names.
#include <gtest/gtest.h>

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "at_file.h"
#include "helpers.h"
#include "logfile.h"
#include "mypath.h"

namespace fs = std::filesystem;

namespace {

class SupportFiles : public ::testing::Test {
protected:
    // Writes content to the file name in the test directory; returns its path.
    std::string write(const std::string& name, const std::string& content) { return tmp.write(name, content); }
    static std::string read(const std::string& path) { return temp_dir::read(path); }
    // Runs rebuild_argv on the arguments; returns the resulting vector as strings.
    std::vector<std::string> rebuild(std::vector<std::string> args, bool* replaced = nullptr)
    {
        std::vector<char*> in;
        for (auto& a : args) in.push_back(a.data());
        in.push_back(nullptr);
        int argc = static_cast<int>(args.size());
        char** argv = in.data();
        EXPECT_EQ(rebuild_argv(&argc, &argv), 0);
        std::vector<std::string> out(argv, argv + argc);
        EXPECT_EQ(argv[argc], nullptr);
        if (argv != in.data()) {
            EXPECT_EQ(argv[argc + 1], nullptr);
        }
        if (replaced) *replaced = argv != in.data();
        restore_argv(&argc, &argv, static_cast<int>(args.size()), in.data());
        EXPECT_EQ(argv, in.data());
        return out;
    }
    temp_dir tmp;
    const fs::path dir = tmp.path();
};

using Args = std::vector<std::string>;

}  // namespace

TEST_F(SupportFiles, ArgumentFilesExpandInPlace)
{
    const std::string f = write("args", "-k\n-e\n1,2\nin.dat\nout.dat\n");
    bool replaced = false;
    EXPECT_EQ(rebuild({"vorn", "@" + f}, &replaced), (Args{"vorn", "-k", "-e", "1,2", "in.dat", "out.dat"}));
    EXPECT_TRUE(replaced);
    EXPECT_EQ(rebuild({"vorn", "-q", "$" + f, "x"}), (Args{"vorn", "-q", "-k", "-e", "1,2", "in.dat", "out.dat", "x"}));

    // Nested files expand where they are named; '#' lines and arguments are dropped.
    const std::string inner = write("inner", "b\n#comment\nc");
    const std::string outer = write("outer", "a\n@" + inner + "\nd\n");
    EXPECT_EQ(rebuild({"vorn", "@" + outer, "#x", "e"}), (Args{"vorn", "a", "b", "c", "d", "e"}));
    int count = 0;
    EXPECT_EQ(add_arg_to_argv(&count, nullptr, ("@" + outer).c_str()), 6);  // 3 + 3 lines read
    EXPECT_EQ(count, 4);

    // A '#' argument alone makes a new vector; nothing to do keeps the old one.
    EXPECT_EQ(rebuild({"vorn", "#note", "-t"}, &replaced), (Args{"vorn", "-t"}));
    EXPECT_TRUE(replaced);
    const std::string missing = (dir / "missing").string();
    EXPECT_EQ(rebuild({"vorn", "-t", "@" + missing}, &replaced), (Args{"vorn", "-t", "@" + missing}));
    EXPECT_FALSE(replaced);

    // An empty file or one of comments only removes its argument.
    const std::string empty = write("empty", ""), comments = write("comments", "#a\n#b\n");
    EXPECT_EQ(rebuild({"vorn", "@" + empty, "@" + comments}), (Args{"vorn"}));
}

TEST_F(SupportFiles, ArgumentFileLinesAreTakenAsRead)
{
    const std::string long_line(5000, 'x');
    const std::string exact(4095, 'y');
    const std::string f = write("lines", "  lead\ncr\r\n\n" + long_line + "\n" + exact + "\nlast");
    EXPECT_EQ(rebuild({"vorn", "@" + f}),
              (Args{"vorn", "  lead", "cr\r", "", std::string(4095, 'x'), std::string(905, 'x'), exact,
                    "" /* the line feed after exactly 4095 characters is a piece of its own */, "last"}));
}

TEST_F(SupportFiles, SelfNamingArgumentFileStopsAtDepthLimit)
{
    const std::string self = (dir / "self").string();
    write("self", "x\n@" + self + "\n");
    int count = 0;
    EXPECT_EQ(add_arg_to_argv(&count, nullptr, ("@" + self).c_str()), 2 * ARG_FILE_MAX_DEPTH);
    EXPECT_EQ(count, ARG_FILE_MAX_DEPTH + 1);
    Args expected{"vorn"};
    expected.insert(expected.end(), ARG_FILE_MAX_DEPTH, "x");
    expected.push_back("@" + self);  // the innermost name is taken literally
    EXPECT_EQ(rebuild({"vorn", "@" + self}), expected);
}

TEST_F(SupportFiles, ExpansionIsBoundedInFilesAndLines)
{
    // A file naming itself three times would open 3^16 files before the depth limit stops it.
    const std::string self = (dir / "self3").string();
    write("self3", "@" + self + "\n@" + self + "\n@" + self + "\n");
    std::string in0 = "vorn", in1 = "@" + self;
    char* in[] = {in0.data(), in1.data(), nullptr};
    int argc = 2;
    char** argv = in;
    std::string why;
    EXPECT_EQ(rebuild_argv(&argc, &argv, &why), 1);
    EXPECT_EQ(why, "Argument files expand too far: more than 1000 files to open (does an argument file name itself?)");
    EXPECT_EQ(argc, 2);
    EXPECT_EQ(argv, in);

    // Lines are counted over every file of the expansion; within the bound all goes through.
    const std::string many = write("many", std::string(600000, '\n'));
    arg_expansion twice;
    int count = 0;
    add_arg_to_argv(&count, nullptr, ("@" + many).c_str(), twice);
    EXPECT_TRUE(twice.failure.empty());
    add_arg_to_argv(&count, nullptr, ("@" + many).c_str(), twice);
    EXPECT_EQ(twice.failure, "Argument files expand too far: more than 1000000 lines to read");
}

TEST_F(SupportFiles, ArgumentFileFromAPipeIsReadOnceForBothPasses)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(::write(fds[1], "-k\n-e\n2\n", 8), 8);
    ::close(fds[1]);
    const std::string name = "@/dev/fd/" + std::to_string(fds[0]);
    EXPECT_EQ(rebuild({"vorn", name, "in"}), (Args{"vorn", "-k", "-e", "2", "in"}));
    ::close(fds[0]);
}

TEST_F(SupportFiles, RunLogLine)
{
    const char* old_lc_all = std::getenv("LC_ALL");
    const std::string saved_lc_all = old_lc_all ? old_lc_all : "";
    setenv("LC_ALL", "C", 1);
    const std::string log = (dir / "logfile").string();
    const char* run1[] = {"vorn", "-k", "-e", "1,3", "in", "out"};
    flogfile(log.c_str(), 6, run1);
    const char* run2[] = {"vorn", "a \"b", "a\"b", "--eval=r[1] = c[1]*2", "--x y", "-e1,3", "p\\q r", "*"};
    flogfile(log.c_str(), 8, run2);
    const std::string date = R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d)";
    EXPECT_TRUE(std::regex_match(
        read(log),
        std::regex(date + R"( vorn -k -e "1,3" in out\n)" + date +
                   R"re( vorn "a \\"b" a"b --eval="r\[1\] = c\[1\]\*2" "--x y" "-e1,3" "p\\\\q r" "\*"\n)re")))
        << read(log);
    EXPECT_STREQ(std::setlocale(LC_TIME, nullptr), "C");
    if (old_lc_all)
        setenv("LC_ALL", saved_lc_all.c_str(), 1);
    else
        unsetenv("LC_ALL");

    EXPECT_EQ(quote_string("say \"hi\" \\o/"), "say \\\"hi\\\" \\\\o/");
    EXPECT_EQ(quote_string(""), "");
    EXPECT_EQ(quote_string(nullptr), "");
}

TEST(PathUtilities, Explode)
{
    char drive[256], directory[256], filename[256], extension[256];
    auto parts = [&] { return Args{drive, directory, filename, extension}; };
    for (const auto& [path, want] :
         {std::pair<const char*, Args>{"C:\\dir\\sub\\file.txt", {"C:", "\\dir\\sub\\", "file", ".txt"}},
          {"/usr/local/bin/tool", {"", "/usr/local/bin/", "tool", ""}},
          {"C:file", {"C:", "", "file", ""}},
          {"dir/.profile", {"", "dir/", "", ".profile"}},
          {"a.d/b", {"", "a.d/", "b", ""}},
          {"", {"", "", "", ""}}}) {
        EXPECT_EQ(explode_path(path, drive, directory, filename, extension), 0) << path;
        EXPECT_EQ(parts(), want) << path;
    }

    EXPECT_EQ(explode_path_n("/opt/tools/vorn.bin", nullptr, 0, nullptr, 0, filename, 256, nullptr, 0), 0);
    EXPECT_STREQ(filename, "vorn");
    // A part that does not fit is cut; the parts stored after it stay empty.
    EXPECT_EQ(explode_path_n("C:/d/file.txt", drive, 256, directory, 256, filename, 3, extension, 256), ENAMETOOLONG);
    EXPECT_EQ(parts(), (Args{"", "", "fi", ".txt"}));
}

TEST(PathUtilities, Combine)
{
    char path[260];
    EXPECT_EQ(combine_path(path, "C", "dir", "f", "txt"), 0);
    EXPECT_STREQ(path, "C:dir/f.txt");
    EXPECT_EQ(combine_path(path, "C:", "\\dir\\", "f", ".txt"), 0);
    EXPECT_STREQ(path, "C:\\dir\\f.txt");
    EXPECT_EQ(combine_path(path, nullptr, "", "f", nullptr), 0);
    EXPECT_STREQ(path, "f");
    EXPECT_EQ(combine_path_n(path, 5, "C", "dir", "f", "txt"), ENAMETOOLONG);
    EXPECT_STREQ(path, "C:di");
    EXPECT_EQ(combine_path_n(nullptr, 0, "C", "dir", "f", "txt"), 0);
}

TEST(PathUtilities, WildcardOutputNames)
{
    EXPECT_EQ(wildcard_output_name("data.txt", ".out"), "data.out");
    EXPECT_EQ(wildcard_output_name("a.b.c", ".out"), "a.b.out");
    EXPECT_EQ(wildcard_output_name("noext", ".out"), "noext.out");
    EXPECT_EQ(wildcard_output_name("name.", ".out"), "name.out");
    EXPECT_EQ(wildcard_output_name("dir.d/file", ".out"), "dir.out");
    EXPECT_EQ(wildcard_output_name("x.dat", ".csv"), "x.csv");
}
