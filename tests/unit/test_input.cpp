// Opening inputs: regular files in place, streams and compressed content through one copy.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#if defined(VORN_HAVE_ZLIB) && defined(VORN_HAVE_ZSTD)
#define VORN_HAVE_COMPRESSION 1
#include <zlib.h>
#include <zstd.h>
#endif

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "helpers.h"
#include "input_source.h"

namespace fs = std::filesystem;

namespace {

#ifdef VORN_HAVE_COMPRESSION
std::string gzip_member(const std::string& text)
{
    z_stream zs{};
    EXPECT_EQ(deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&zs, text.size()) + 32, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    zs.avail_in = static_cast<uInt>(text.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

std::string zstd_frame(const std::string& text)
{
    std::string out(ZSTD_compressBound(text.size()), '\0');
    const size_t n = ZSTD_compress(out.data(), out.size(), text.data(), text.size(), 3);
    EXPECT_FALSE(ZSTD_isError(n));
    out.resize(n);
    return out;
}
#endif

std::string read_all(FILE* f)
{
    std::string s;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    return s;
}

class InputSource : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& content) { return tmp.write(name, content); }
    // The whole content that open_input gives for path; the failure text when it fails.
    std::string content_of(const std::string& path)
    {
        opened_input in = open_input(path.c_str());
        if (in.result == opened_input::status::failed) return "failed: " + in.reason;
        if (in.result == opened_input::status::cannot_open) return "cannot open";
        return read_all(in.stream.get());
    }
    temp_dir tmp;
    const fs::path dir = tmp.path();
};

}  // namespace

TEST_F(InputSource, RegularFileIsReadInPlaceWithItsIdentity)
{
    const std::string path = write("plain.dat", "1 2\n3 4\n");
    opened_input in = open_input(path.c_str());
    ASSERT_EQ(in.result, opened_input::status::ok);
    EXPECT_EQ(read_all(in.stream.get()), "1 2\n3 4\n");
    EXPECT_TRUE(same_regular_file(in.identity, identity_of_path(path.c_str())));
    // In place: the stream's descriptor is the file itself.
    EXPECT_TRUE(same_regular_file(identity_of_descriptor(fileno(in.stream.get())), in.identity));
    // The same inode number on another file system is another file.
    file_identity elsewhere = in.identity;
    ++elsewhere.dev;
    EXPECT_FALSE(same_regular_file(in.identity, elsewhere));
}

TEST_F(InputSource, MissingFilesAndDirectoriesCannotBeOpened)
{
    EXPECT_EQ(content_of((dir / "missing").string()), "cannot open");
    EXPECT_EQ(content_of(dir.string()), "cannot open");
}

#ifdef VORN_HAVE_COMPRESSION
TEST_F(InputSource, CompressedContentIsRecognisedByItsBytesNotItsName)
{
    const std::string text = "1 2\n3 4\n";
    EXPECT_EQ(content_of(write("data.txt", gzip_member(text))), text);
    EXPECT_EQ(content_of(write("data.gz", zstd_frame(text))), text);
    EXPECT_EQ(content_of(write("plain.gz", text)), text);
    // Two bytes of gzip magic and nothing else is a truncated stream, not plain text.
    EXPECT_EQ(content_of(write("magic", "\x1f\x8b")).rfind("failed: Truncated gzip data in ", 0), 0u);
}

TEST_F(InputSource, MembersAndFramesFollowOneAnother)
{
    EXPECT_EQ(content_of(write("two.gz", gzip_member("1\n") + gzip_member("") + gzip_member("2\n"))), "1\n2\n");
    EXPECT_EQ(content_of(write("two.zst", zstd_frame("1\n") + zstd_frame("2\n"))), "1\n2\n");
    // Larger than one piece of the copy, so the output buffer fills many times.
    std::string big;
    for (int i = 0; i < 300000; ++i) big += std::to_string(i) + " " + std::to_string(i * 7) + "\n";
    EXPECT_EQ(content_of(write("big.gz", gzip_member(big) + gzip_member(big))), big + big);
    EXPECT_EQ(content_of(write("big.zst", zstd_frame(big))), big);
}

TEST_F(InputSource, DamagedCompressedDataFailsWithItsReason)
{
    std::string text;
    for (int i = 0; i < 20000; ++i) text += std::to_string(i) + "\n";
    const std::string gz = gzip_member(text);
    const std::string zst = zstd_frame(text);
    const std::string gz_path = (dir / "cut.gz").string();
    EXPECT_EQ(content_of(write("cut.gz", gz.substr(0, gz.size() - 5))),
              "failed: Truncated gzip data in " + gz_path + ": unexpected end of the data");
    EXPECT_EQ(content_of(write("cut.zst", zst.substr(0, zst.size() / 2))).rfind("failed: Truncated zstd data in ", 0),
              0u);
    std::string flipped = gz;
    flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x55);
    EXPECT_EQ(content_of(write("bad.gz", flipped)).rfind("failed: Corrupt gzip data in ", 0), 0u);
    EXPECT_EQ(content_of(write("tail.gz", gz + "garbage")).rfind("failed: Corrupt gzip data in ", 0), 0u);
    EXPECT_EQ(content_of(write("tail.zst", zst + "garbage")).rfind("failed: Corrupt zstd data in ", 0), 0u);
}

#else
TEST_F(InputSource, CompressedContentThisBuildCannotReadIsRefused)
{
    const std::string gz = write("data.gz", "\x1f\x8b\x08");
    const std::string zst = write("data.zst", "\x28\xb5\x2f\xfd");
#ifndef VORN_HAVE_ZLIB
    EXPECT_EQ(content_of(gz), "failed: " + gz + " is gzip-compressed; this vorn was built without zlib (zlib1g-dev)");
#endif
#ifndef VORN_HAVE_ZSTD
    EXPECT_EQ(content_of(zst),
              "failed: " + zst + " is zstd-compressed; this vorn was built without zstd (libzstd-dev)");
#endif
}
#endif

TEST_F(InputSource, FifoIsCopiedOnceAndEveryOpeningReadsFromTheStart)
{
    const std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(fifo) << "1 2\n3 4\n"; });
    opened_input first = open_input(fifo.c_str());
    writer.join();
    ASSERT_EQ(first.result, opened_input::status::ok);
    EXPECT_FALSE(first.identity.regular);
    // A second opening does not wait for a writer: it reads the copy, at a position of its own.
    char line[16];
    ASSERT_NE(std::fgets(line, sizeof line, first.stream.get()), nullptr);
    opened_input second = open_input(fifo.c_str());
    ASSERT_EQ(second.result, opened_input::status::ok);
    EXPECT_EQ(read_all(second.stream.get()), "1 2\n3 4\n");
    EXPECT_EQ(read_all(first.stream.get()), "3 4\n");
    std::rewind(first.stream.get());
    EXPECT_EQ(read_all(first.stream.get()), "1 2\n3 4\n");
}
