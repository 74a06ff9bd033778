#include "platform/registry/registry.h"
#include "platform/registry/registry_test_env.h"
#include "platform/registry/registry_tree.h"

#include <QDir>
#include <cstring>
#include <sys/stat.h>
#include <gtest/gtest.h>

namespace platform::registry {
namespace {

// "♪" and "表" in CP932; the second byte of "表" is 0x5C, the path separator.
const std::string kNote = "\x81\xF4";
const std::string kHyo = "\x95\x5C";

using RegistryTest = RegistryTestEnv;

LONG SetText(HKEY key, const char* name, const std::string& text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                          static_cast<DWORD>(text.size()));
}

LONG SetNumber(HKEY key, const char* name, DWORD n) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), 4);
}

TEST_F(RegistryTest, KeysAreCreatedWithParentsAndFoundIgnoringAsciiCase) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Sorvik", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);

    const std::string path = "SOFTWARE\\Sorvik\\Moneko" + kNote + "\\2.0\\Option\\Chat";
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key), ERROR_SUCCESS);
    EXPECT_EQ(SetNumber(key, "FontSize", 12), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    HKEY parent = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\SORVIK", 0, KEY_READ, &parent), ERROR_SUCCESS);
    const std::string rest = "moneko" + kNote + "\\2.0\\OPTION\\chat";
    ASSERT_EQ(RegOpenKeyExA(parent, rest.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD n = 0, size = 4, type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "fontsize", nullptr, &type, reinterpret_cast<BYTE*>(&n), &size), ERROR_SUCCESS);
    EXPECT_EQ(n, 12u);
    EXPECT_EQ(type, REG_DWORD);
    RegCloseKey(key);
    RegCloseKey(parent);

    // The stored spelling is the first one; the other hive is separate.
    EXPECT_NE(FileText().find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Sorvik\\Moneko" + kNote + "\\2.0\\Option\\Chat]"),
              std::string::npos);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "SOFTWARE", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);

    // Lower-casing must not touch a trail byte in 'A'..'Z': "ア" (0x83 0x41) differs from 0x83 0x61.
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "K\x83\x41", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "k\x83\x61", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, TrailByteBackslashIsNotASeparator) {
    const std::string path = "A" + kHyo + "\\B";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key), ERROR_SUCCESS);
    RegCloseKey(key);
    const std::string first = "A" + kHyo;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, first.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A\x95", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, QueryFollowsTheBufferRules) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "T", &key), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, "Name", "abc"), ERROR_SUCCESS);

    BYTE buf[8];
    DWORD type = 0;
    // Room for a terminator: it is added but not counted.
    std::memset(buf, 'X', sizeof buf);
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(std::memcmp(buf, "abc\0", 4), 0);
    // Exactly filled: no terminator is written beyond the buffer.
    std::memset(buf, 'X', sizeof buf);
    size = 3;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(buf[3], 'X');
    // Too small: the size needed comes back, the type too.
    size = 2;
    type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, buf, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(type, REG_SZ);
    // Size only.
    size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);
    // A buffer without a size is refused; a missing value is not found.
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, buf, nullptr), ERROR_INVALID_PARAMETER);
    size = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(key, "Other", nullptr, nullptr, buf, &size), ERROR_FILE_NOT_FOUND);

    // A text stored with its terminator keeps it in the count.
    const std::string withZero("de\0", 3);
    ASSERT_EQ(SetText(key, "Z", withZero), ERROR_SUCCESS);
    size = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(key, "Z", nullptr, nullptr, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);

    // Null and "" both name the default value; an empty text is a value too.
    ASSERT_EQ(SetText(key, nullptr, "dflt"), ERROR_SUCCESS);
    size = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(key, "", nullptr, nullptr, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), size), "dflt");
    ASSERT_EQ(SetText(key, "Empty", ""), ERROR_SUCCESS);
    buf[0] = 'X';
    size = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(key, "Empty", nullptr, &type, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(buf[0], 0);
    RegCloseKey(key);
}

TEST_F(RegistryTest, HandlesAreCheckedForValidityAndAccess) {
    HKEY created = nullptr, reader = nullptr, writer = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "A", &created), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_READ, &reader), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_WRITE, &writer), ERROR_SUCCESS);
    EXPECT_EQ(SetNumber(reader, "N", 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(SetNumber(writer, "N", 1), ERROR_SUCCESS);
    DWORD n = 0, size = 4;
    EXPECT_EQ(RegQueryValueExA(writer, "N", nullptr, nullptr, reinterpret_cast<BYTE*>(&n), &size),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegQueryValueExA(reader, "N", nullptr, nullptr, reinterpret_cast<BYTE*>(&n), &size), ERROR_SUCCESS);

    // Another handle deletes the key: the rest report it gone instead of recreating it.
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "A"), ERROR_SUCCESS);
    EXPECT_EQ(SetNumber(writer, "N", 2), ERROR_KEY_DELETED);
    EXPECT_EQ(RegQueryValueExA(reader, "N", nullptr, nullptr, reinterpret_cast<BYTE*>(&n), &size), ERROR_KEY_DELETED);
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyA(created, "Sub", &sub), ERROR_KEY_DELETED);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_READ, &sub), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(RegCloseKey(reader), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(reader), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetNumber(nullptr, "N", 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    RegCloseKey(writer);
    RegCloseKey(created);
    // Nothing a file line could not hold.
    EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Line\nBreak", &sub), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, DeletingValuesKeysAndTrees) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "CLSID\\{1}\\InprocServer32", &key), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, nullptr, "/x/plexa.ocx"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(key, nullptr), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);

    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID\\{1}"), ERROR_KEY_HAS_CHILDREN);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID\\{2}"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, ""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "clsid\\{1}\\inprocserver32"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID\\{1}"), ERROR_SUCCESS);

    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "CLSID\\{3}\\A\\B", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyA(HKEY_CLASSES_ROOT, "CLSID\\{3}", &key), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, "V", "v"), ERROR_SUCCESS);
    // Without a subkey the tree is emptied but the key stays.
    EXPECT_EQ(RegDeleteTreeA(key, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "V", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    HKEY probe = nullptr;
    EXPECT_EQ(RegOpenKeyExA(key, "A", 0, KEY_READ, &probe), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID"), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &probe), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ShiftJisNamesAndDataRoundTripThroughTheFile) {
    HKEY key = nullptr;
    const std::string path = "SOFTWARE\\" + kHyo + kNote + "\\" + kHyo;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key), ERROR_SUCCESS);
    const std::string valueName = "\x96\xBC\x91\x4F" + kHyo;  // 名前表
    const std::string tricky[] = {
        "C:\\dir\\\"quoted\"", kHyo + "\\" + kHyo,  // trail 0x5C next to a real backslash
        std::string("\x95\"", 2),                   // lead byte without its trail, then a quote
        std::string("a\0b", 3), "line\r\nbreak", "",
    };
    for (size_t i = 0; i < std::size(tricky); ++i) {
        const std::string name = valueName + std::to_string(i);
        ASSERT_EQ(SetText(key, name.c_str(), tricky[i]), ERROR_SUCCESS);
    }
    const std::string binary("\x00\x01\xFF", 3);
    ASSERT_EQ(RegSetValueExA(key, "Bin", 0, REG_BINARY, reinterpret_cast<const BYTE*>(binary.data()), 3), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "Odd", 0, 0x2A, reinterpret_cast<const BYTE*>("xy"), 2), ERROR_SUCCESS);
    ASSERT_EQ(SetNumber(key, "N", 0xDEADBEEF), ERROR_SUCCESS);
    RegCloseKey(key);

    const std::string text = FileText();
    EXPECT_NE(text.find("\"" + valueName + "0\"=\"C:\\\\dir\\\\\\\"quoted\\\"\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"N\"=dword:deadbeef\n"), std::string::npos);
    EXPECT_NE(text.find("\"Bin\"=hex:00,01,ff\n"), std::string::npos);
    EXPECT_NE(text.find("\"Odd\"=hex(2a):78,79\n"), std::string::npos);

    RegistryTree tree;
    std::string problem;
    ASSERT_TRUE(tree.Parse(text, &problem)) << problem;
    EXPECT_EQ(tree.Serialise(), text);

    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    for (size_t i = 0; i < std::size(tricky); ++i) {
        const std::string name = valueName + std::to_string(i);
        char buf[64];
        DWORD size = sizeof buf, type = 0;
        ASSERT_EQ(RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
        EXPECT_EQ(std::string(buf, size), tricky[i]) << i;
        EXPECT_EQ(type, REG_SZ);
    }
    RegCloseKey(key);
}

TEST(RegistryTreeParse, ReadsHandWrittenFiles) {
    const std::string text =
        "REGEDIT4\r\n"
        "; written by hand\r\n"
        "\r\n"
        "[hkey_local_machine\\SOFTWARE\\A]\r\n"
        "@=\"default\"\r\n"
        "\"Size\" = dword:0000000A ; ten\r\n"
        "\"Blob\"=hex:01,02,\\\r\n"
        "  03,04\r\n"
        "\"Text\"=\"" + kHyo + "\"\r\n"
        "[HKEY_CLASSES_ROOT\\.wrl]\r\n"
        "@=\"x\"\r\n"
        "[HKEY_LOCAL_MACHINE\\software\\a]\r\n"
        "\"Size\"=dword:1\r\n";
    RegistryTree tree;
    std::string problem;
    ASSERT_TRUE(tree.Parse(text, &problem)) << problem;
    const auto* key = tree.Find(RegistryTree::Hive::LocalMachine, {"software", "a"});
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->name, "A");
    EXPECT_EQ(key->FindValue("")->data, "default");
    EXPECT_EQ(key->FindValue("size")->data, std::string("\x01\0\0\0", 4));  // the later line wins
    EXPECT_EQ(key->FindValue("Blob")->data, "\x01\x02\x03\x04");
    EXPECT_EQ(key->FindValue("Text")->data, kHyo);
    EXPECT_NE(tree.Find(RegistryTree::Hive::ClassesRoot, {".WRL"}), nullptr);

    EXPECT_TRUE(tree.Parse("", &problem));
    EXPECT_TRUE(tree.Parse("\n  \n", &problem));
}

TEST(RegistryTreeParse, ReportsTheLineOfTheFirstError) {
    struct Case {
        const char* text;
        const char* line;
    } cases[] = {
        {"REGEDIT5\n", "line 1:"},
        {"REGEDIT4\n\"a\"=\"b\"\n", "line 2:"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\x]\n", "line 2:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\x\n", "line 2:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\x]\n\"a\"=\"b\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\x]\n\"a\"=\"\\n\"\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\x]\n\"a\"=dword:123456789\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\x]\n\"a\"=dword:\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\x]\n\"a\"=hex:1,,2\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\x]\n\"a\"=hex:01,\\\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\x]\n\"a\"=hex(zz):01\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\x]\n\"a\"=-\n", "line 3:"},
        {"REGEDIT4\n[-HKEY_LOCAL_MACHINE\\x]\n", "line 2:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\x]\n\"a\"=\"b\" junk\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\x]\nname=\"b\"\n", "line 3:"},
    };
    for (const auto& c : cases) {
        RegistryTree tree;
        std::string problem;
        EXPECT_FALSE(tree.Parse(c.text, &problem)) << c.text;
        EXPECT_EQ(problem.rfind(c.line, 0), 0u) << c.text << " -> " << problem;
        EXPECT_EQ(tree.Find(RegistryTree::Hive::LocalMachine, {"x"}), nullptr) << "a broken file reads as empty";
    }
}

TEST_F(RegistryTest, AnUnparsableFileIsNeverOverwritten) {
    const std::string broken =
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\n\"Name\"=\"unterminated\n\"Other\"=dword:1\n";
    WriteFile(broken);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\A", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\B", &key), ERROR_BADDB);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(FileText(), broken);
    const std::string problem = RegistryProblem();
    EXPECT_NE(problem.find(path_), std::string::npos) << problem;
    EXPECT_NE(problem.find("line 3"), std::string::npos) << problem;

    // A key opened before the file broke cannot write either.
    WriteFile("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\n");
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\A", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegistryProblem(), "");
    WriteFile(broken);
    EXPECT_EQ(SetNumber(key, "N", 1), ERROR_BADDB);
    EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE"), ERROR_BADDB);
    EXPECT_EQ(FileText(), broken);
    RegCloseKey(key);
}

TEST_F(RegistryTest, WritesLeaveOnlyTheFileAndItsLock) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "A", &key), ERROR_SUCCESS);
    for (DWORD i = 0; i < 5; ++i) ASSERT_EQ(SetNumber(key, "N", i), ERROR_SUCCESS);
    RegCloseKey(key);
    QStringList names = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    EXPECT_EQ(names, (QStringList{"registry.reg", "registry.reg.lock"}));

    // The default location follows the XDG variables when no file is named.
    ::unsetenv("MONEKO_REGISTRY");
    ::setenv("XDG_CONFIG_HOME", "/some/where", 1);
    EXPECT_EQ(RegistryFilePath(), "/some/where/moneko/registry.reg");
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST_F(RegistryTest, TheNextWriteRemovesTempFilesOfKilledWritersAndNothingElse) {
    const QDir dir(dir_.path());
    const QStringList stale{"registry.reg.tmp.a1B2c3", "registry.reg.tmp.zzzzzz", "registry.reg.Xy12ab"};
    // Not ours: a user's backup, other lengths, another file's temp, a folder of that name.
    const QStringList kept{"registry.reg.backup", "registry.reg.tmp.abc", "other.reg.tmp.a1B2c3",
                           "registry.reg.Xy12abc", "registry.reg.tmp.a1-2c3"};
    for (const QString& name : stale + kept) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(dir.mkdir("registry.reg.tmp.D1r123"));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "A", &key), ERROR_FILE_NOT_FOUND);  // a read removes nothing
    for (const QString& name : stale) EXPECT_TRUE(QFile::exists(dir.filePath(name))) << name.toStdString();
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "A", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    for (const QString& name : stale) EXPECT_FALSE(QFile::exists(dir.filePath(name))) << name.toStdString();
    for (const QString& name : kept) EXPECT_TRUE(QFile::exists(dir.filePath(name))) << name.toStdString();
    EXPECT_TRUE(QDir(dir.filePath("registry.reg.tmp.D1r123")).exists());
}

TEST_F(RegistryTest, ANewSettingsFileAndItsFoldersAreOwnerOnly) {
    const std::string file = dir_.filePath("config/moneko/registry.reg").toStdString();
    ::setenv("MONEKO_REGISTRY", file.c_str(), 1);
    const mode_t old = ::umask(022);
    HKEY key = nullptr;
    const LONG created = RegCreateKeyA(HKEY_LOCAL_MACHINE, "A", &key);
    ::umask(old);
    ASSERT_EQ(created, ERROR_SUCCESS);
    RegCloseKey(key);
    auto mode = [](const QString& path) {
        struct stat st {};
        return ::stat(path.toLocal8Bit().constData(), &st) == 0 ? (st.st_mode & 0777) : 07777u;
    };
    EXPECT_EQ(mode(dir_.filePath("config")), 0700u);
    EXPECT_EQ(mode(dir_.filePath("config/moneko")), 0700u);
    EXPECT_EQ(mode(dir_.filePath("config/moneko/registry.reg")), 0600u);
    EXPECT_EQ(mode(dir_.filePath("config/moneko/registry.reg.lock")), 0600u);
    // A file the user gave another mode keeps it.
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "B", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(mode(dir_.filePath("config/moneko/registry.reg")), 0640u);
}

TEST_F(RegistryTest, AFolderThatCannotBeWrittenFailsTheWrite) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
    ASSERT_TRUE(QDir(dir_.path()).mkdir("ro"));
    const std::string file = dir_.filePath("ro/registry.reg").toStdString();
    ASSERT_EQ(::chmod(dir_.filePath("ro").toLocal8Bit().constData(), 0555), 0);
    ::setenv("MONEKO_REGISTRY", file.c_str(), 1);
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "A", &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, nullptr);
    ::chmod(dir_.filePath("ro").toLocal8Bit().constData(), 0755);
}

}  // namespace
}  // namespace platform::registry
