// Shared pieces of the unit tests: temporary files and directories, and a fixture that starts
// every test from the default settings and the standard output style.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "output.h"
#include "vorn_variables.h"

// A private directory under the system's temporary directory, removed with everything in it at
// scope end.
class temp_dir {
public:
    temp_dir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vorn_test_XXXXXX").string();
        if (!mkdtemp(tmpl.data())) ADD_FAILURE() << "cannot make a temporary directory";
        path_ = tmpl;
    }
    ~temp_dir() { std::filesystem::remove_all(path_); }
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes `content` to the file `name` in the directory; returns its path.
    std::string write(const std::string& name, const std::string& content) const
    {
        const std::string p = (path_ / name).string();
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    static std::string read(const std::string& path)
    {
        std::ostringstream s;
        s << std::ifstream(path, std::ios::binary).rdbuf();
        return s.str();
    }

private:
    std::filesystem::path path_;
};

// A file holding `text`, with a stream `f` open on it for reading and writing from its start;
// closed and removed at scope end.
class temp_file {
public:
    explicit temp_file(const std::string& text = "") : name(dir_.write("file", text)), f(std::fopen(name.c_str(), "r+"))
    {
        if (!f) ADD_FAILURE() << "cannot open " << name;
    }
    ~temp_file()
    {
        if (f) std::fclose(f);
    }
    temp_file(const temp_file&) = delete;
    temp_file& operator=(const temp_file&) = delete;

    // Everything the file holds now, including what went through `f`.
    std::string contents() const
    {
        std::fflush(f);
        return temp_dir::read(name);
    }

private:
    temp_dir dir_;

public:
    const std::string name;
    FILE* const f;
};

// Every test of a suite that uses it starts from the default settings and the standard output
// style, and leaves them so.
class default_settings : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset()
    {
        settings = vorn_variables{};
        set_output_standard();
    }
};
