#include "FileTree.h"
#include "TestSupport.h"
#include "ZipWriter.h"

#include <gtest/gtest.h>

#include <windows.h>

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
    EXPECT_EQ(RunHost("/usr/bin/7zz t -ps3cret '" + UnixPath(archive) + "'", &out), 0) << out;
    EXPECT_NE(RunHost("/usr/bin/7zz t -pwrong '" + UnixPath(archive) + "'", &out), 0) << out;
}

TEST(ZipWriter, NoHandleIsAnArgumentError)
{
    EXPECT_EQ(ZipAdd(nullptr, "a", "b"), ZR_ARGS);
    EXPECT_EQ(ZipAddFolder(nullptr, "a"), ZR_ARGS);
    EXPECT_EQ(CloseZip(nullptr), ZR_ARGS);
    EXPECT_EQ(CreateZip("Q:\\no\\such\\drive\\x.zip", ""), nullptr);
}

std::wstring Wide(const std::string& utf8)
{
    std::wstring out(utf8.size(), L'\0');
    out.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0],
                                   static_cast<int>(out.size())));
    return out;
}

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// Names through the wide functions: ASCII and code-page names are stored exactly as the
// narrow functions store them (no UTF-8 flag); a name the code page lacks is stored as
// UTF-8 with the flag, and its source is read by its real name.
TEST(ZipWriter, NamesOutsideTheCodePageAreStoredAsUtf8)
{
    ScratchDir dir("zip-names");
    const std::wstring folder = Wide(dir.Path());
    const std::string outside = "Log \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80.txt";  // CJK and an emoji
    char ansiCafe[16] = {};
    WideCharToMultiByte(CP_ACP, 0, L"caf\u00e9.txt", -1, ansiCafe, sizeof ansiCafe, nullptr, nullptr);
    struct Case {
        std::wstring name;
        std::string stored;  // raw bytes of the stored name
        int utf8;
    } const cases[] = {
        {L"plain.txt", "plain.txt", 0},
        {L"caf\u00e9.txt", ansiCafe, 0},
        {Wide(outside), outside, 1},
        {Wide("Dir \xd0\x96\\inner.txt"), "Dir \xd0\x96/inner.txt", 1},
    };
    const std::string archive = dir / "names.zip";
    HZIP zip = CreateZip(Wide(archive), "");
    ASSERT_NE(zip, nullptr);
    std::string expected;
    for (const Case& c : cases) {
        const std::wstring source = folder + L"\\" + std::to_wstring(&c - cases) + L" " + c.name.substr(c.name.rfind(L'\\') + 1);
        HANDLE file = CreateFileW(source.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, c.stored.data(), static_cast<DWORD>(c.stored.size()), &written, nullptr);
        CloseHandle(file);
        EXPECT_EQ(ZipAdd(zip, c.name, source), ZR_OK);
        expected += Hex(c.stored) + " " + std::to_string(c.utf8) + " " + std::to_string(c.stored.size()) + "\n";
    }
    EXPECT_EQ(CloseZip(zip), ZR_OK);

    const std::string script =
        "import sys,zipfile\n"
        "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
        "    u=(i.flag_bits>>11)&1\n"
        "    print(i.filename.encode('utf-8' if u else 'cp437').hex(), u, i.file_size)\n";
    WriteFileBytes(archive + ".py", script);
    std::string out;
    ASSERT_EQ(RunHost("/usr/bin/python3 '" + UnixPath(archive + ".py") + "' '" + UnixPath(archive) + "'", &out), 0)
        << out;
    EXPECT_EQ(out, expected);
    EXPECT_EQ(RunHost("/usr/bin/unzip -tq '" + UnixPath(archive) + "'", &out), 0) << out;
}

std::string Incompressible(size_t size)
{
    std::string bytes(size, '\0');
    unsigned state = 12345;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

// A disk that fills (simulated in the archive's file layer): the failing call reports it,
// every later call and the close report it too, synchronous or queued.
TEST(ZipWriter, EveryWriteFailureIsReported)
{
    ScratchDir dir("zip-full");
    WriteFileBytes(dir / "small.txt", LogText());
    WriteFileBytes(dir / "big.bin", Incompressible(3 << 20));
    struct Case {
        const char* what;
        unsigned long long limit;
        bool queued;
        int big;     // status of adding big.bin
        int folder;  // status of the folder entry after it
    } const cases[] = {
        {"fits", ~0ull, false, ZR_OK, ZR_OK},
        {"full while adding", 200000, false, ZR_DISKFULL, ZR_DISKFULL},
        {"full while queued", 200000, true, ZR_DISKFULL, ZR_DISKFULL},
    };
    for (const Case& c : cases) {
        const std::string archive = dir / (std::string(c.what) + ".zip");
        HZIP zip = CreateZip(archive, "pw");
        ASSERT_NE(zip, nullptr) << c.what;
        ZipSetWriteLimit(c.limit);
        EXPECT_EQ(ZipAdd(zip, "small.txt", dir / "small.txt"), ZR_OK) << c.what;
        if (c.queued) {
            EXPECT_EQ(ZipQueue(zip, L"big.bin", Wide(dir / "big.bin")), ZR_OK) << c.what;
            EXPECT_EQ(ZipFlush(zip, nullptr), c.big) << c.what;
            EXPECT_EQ(ZipQueueFolder(zip, L"Logs"), c.folder) << c.what;
        } else {
            EXPECT_EQ(ZipAdd(zip, "big.bin", dir / "big.bin"), c.big) << c.what;
            EXPECT_EQ(ZipAddFolder(zip, "Logs"), c.folder) << c.what;
        }
        EXPECT_EQ(CloseZip(zip), c.big) << c.what;
        ZipSetWriteLimit(~0ull);
    }
    // A disk that fills only when the central directory is written: the close says so.
    const std::string archive = dir / "close.zip";
    HZIP zip = CreateZip(archive, "");
    ASSERT_NE(zip, nullptr);
    ZipSetWriteLimit(0);  // everything so far sits in the write buffer
    EXPECT_EQ(ZipAdd(zip, "small.txt", dir / "small.txt"), ZR_OK);
    EXPECT_EQ(CloseZip(zip), ZR_DISKFULL);
    ZipSetWriteLimit(~0ull);
}

}  // namespace
