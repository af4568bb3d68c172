#include "FileTree.h"
#include "TestSupport.h"
#include "ZipWriter.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// Builds an archive of a small tree: folder entries, a compressible log, binary bytes
// and an empty file (the shape of a password marker).
const std::string kLogLine = " of the device log\r\n";
std::string LogText()
{
    std::string log;
    for (int i = 0; i < 2000; ++i)
        log += "line " + std::to_string(i) + kLogLine;
    return log;
}

std::string BuildArchive(const ScratchDir& dir, const std::string& password)
{
    const std::string tree = dir / "tree";
    MakeDirs(tree + "\\Logs\\Drive");
    const std::string log = LogText();
    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary += static_cast<char>((i * 7919) & 0xFF);
    WriteFileBytes(tree + "\\Logs\\Drive\\a.txt", log);
    WriteFileBytes(tree + "\\blob.bin", binary);
    WriteFileBytes(tree + "\\ -PASSWORD=" + password, "");

    const std::string archive = dir / "out.zip";
    HZIP zip = CreateZip(archive, password);
    EXPECT_NE(zip, nullptr);
    EXPECT_EQ(ZipAddFolder(zip, "Logs"), ZR_OK);
    EXPECT_EQ(ZipAddFolder(zip, "Logs\\Drive"), ZR_OK);
    EXPECT_EQ(ZipAdd(zip, "Logs\\Drive\\a.txt", tree + "\\Logs\\Drive\\a.txt"), ZR_OK);
    EXPECT_EQ(ZipAdd(zip, "blob.bin", tree + "\\blob.bin"), ZR_OK);
    EXPECT_EQ(ZipAdd(zip, " -PASSWORD=" + password, tree + "\\ -PASSWORD=" + password), ZR_OK);
    EXPECT_EQ(ZipAdd(zip, "missing.txt", tree + "\\missing.txt"), ZR_NOFILE);
    EXPECT_EQ(CloseZip(zip), ZR_OK);
    return archive;
}

// Python's zipfile reads the archive: entry names, then every entry's bytes with `password`.
int CheckWithPython(const std::string& archive, const std::string& password, std::string* output)
{
    const std::string script =
        "import sys,zipfile\n"
        "z=zipfile.ZipFile(sys.argv[1])\n"
        "print('|'.join(i.filename for i in z.infolist()))\n"
        "print('|'.join(str(i.flag_bits&1) for i in z.infolist()))\n"
        "pw=sys.argv[2].encode() or None\n"
        "print(len(z.read('Logs/Drive/a.txt',pwd=pw)), len(z.read('blob.bin',pwd=pw)))\n";
    WriteFileBytes(archive + ".py", script);
    return RunHost("/usr/bin/python3 '" + UnixPath(archive + ".py") + "' '" + UnixPath(archive) + "' \"" + password +
                       "\"",
                   output);
}

TEST(ZipWriter, PlainArchiveHoldsFoldersAndFiles)
{
    ScratchDir dir("zip-plain");
    const std::string archive = BuildArchive(dir, "");
    std::string out;
    ASSERT_EQ(RunHost("/usr/bin/unzip -t " + UnixPath(archive), &out), 0) << out;
    ASSERT_EQ(CheckWithPython(archive, "", &out), 0) << out;
    EXPECT_EQ(out, "Logs/|Logs/Drive/|Logs/Drive/a.txt|blob.bin| -PASSWORD=\n0|0|0|0|0\n" + std::to_string(LogText().size()) + " 70000\n");
}

TEST(ZipWriter, EncryptedArchiveOpensOnlyWithThePassword)
{
    ScratchDir dir("zip-crypt");
    const std::string archive = BuildArchive(dir, "s3cret");
    std::string out;
    EXPECT_EQ(RunHost("/usr/bin/unzip -t -P s3cret " + UnixPath(archive), &out), 0) << out;
    EXPECT_NE(RunHost("/usr/bin/unzip -t -P wrong " + UnixPath(archive), &out), 0) << out;
    ASSERT_EQ(CheckWithPython(archive, "s3cret", &out), 0) << out;
    EXPECT_EQ(out, "Logs/|Logs/Drive/|Logs/Drive/a.txt|blob.bin| -PASSWORD=s3cret\n0|0|1|1|1\n" + std::to_string(LogText().size()) + " 70000\n");
    EXPECT_NE(CheckWithPython(archive, "wrong", &out), 0) << out;
}

TEST(ZipWriter, NoHandleIsAnArgumentError)
{
    EXPECT_EQ(ZipAdd(nullptr, "a", "b"), ZR_ARGS);
    EXPECT_EQ(ZipAddFolder(nullptr, "a"), ZR_ARGS);
    EXPECT_EQ(CloseZip(nullptr), ZR_ARGS);
    EXPECT_EQ(CreateZip("Q:\\no\\such\\drive\\x.zip", ""), nullptr);
}

}  // namespace
