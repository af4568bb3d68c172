// Definitions folder, device choice and installation, the registry device list and the
// machine id.
#include <windows.h>

#include <functional>

#include "DefsTestSupport.h"
#include "FileTree.h"

namespace {

const char kChanged[] = "The default device was changed to Aldera 400. \n Do you want to continue?";
const char kNoDevice[] =
    "No device selected for Trovel.\nSet the registry key 'hkey_local_machine\\software\\velmora\\Trovel\\CurrentDevice'.";
const char kSystemInfo[] =
    "<Root>\r\n<Item><Name>Service Host Group Type</Name><Detected>%TYPE%</Detected></Item>\r\n"
    "<Item><Name>Device Serial Number</Name><Detected>%SERIAL%</Detected></Item>\r\n</Root>\r\n";

class DeviceSelectionTest : public DefsTest {
public:
    void SetUp() override
    {
        DefsTest::SetUp();
        UseFixture("base");
        char path[4000] = "";
        GetEnvironmentVariableA("Path", path, sizeof path);
        m_savedPath = path;
        SetEnvironmentVariableA("Path", "C:\\windows\\system32;C:\\windows");
        DeleteTrovelKey();
        DeleteMorvaneKey();
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("Path", m_savedPath.c_str());
        DeleteTrovelKey();
        DeleteMorvaneKey();
        DefsTest::TearDown();
    }
    // The service platform's SystemInfo.xml under Svc\Kestrin, found through "Path".
    void ProvideSystemInfo(const std::string& type, const std::string& serial = "SN-1")
    {
        ASSERT_TRUE(MakeDirs(Path("Svc\\Kestrin\\Logs")));
        std::string xml = kSystemInfo;
        xml.replace(xml.find("%TYPE%"), 6, type);
        xml.replace(xml.find("%SERIAL%"), 8, serial);
        Write("Svc\\Kestrin\\Logs\\SystemInfo.xml", xml);
        SetEnvironmentVariableA("Path", ("C:\\windows;" + Path("Svc\\Kestrin\\bin") + ";C:\\tools").c_str());
    }
    static void DeleteMorvaneKey() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvane"); }
    std::string Config(const char* key) { return Ini("Current\\Current_Trovel.ini", "CONFIGURATION", key); }
    std::string Main(const char* key) { return Ini("Current\\Trovel.ini", "CONFIGURATION", key); }

private:
    std::string m_savedPath;
};

TEST_F(DeviceSelectionTest, FirstRunInstallsTheRegistryChoiceFromTheDeviceList)
{
    SetTrovelValue("CurrentDevice", "2 (Aldera 800)");
    std::string result;
    ASSERT_EQ(defs.SelectDevice(result), 1) << result;
    EXPECT_EQ(defs.m_strDefDir, ".\\Current\\");
    EXPECT_EQ(defs.m_strStatusFile, ".\\Current\\TrovelStatus.ini");
    for (const char* file : {"Current\\Trovel.ini", "Current\\Current_Trovel.ini"}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(Ini(file, "CONFIGURATION", "Device ID"), "2");
        EXPECT_EQ(Ini(file, "CONFIGURATION", "DEVICE Name"), "Aldera 800");
        EXPECT_EQ(Ini(file, "CONFIGURATION", "User Defined"), "A800-01");
    }
    std::string list;
    EXPECT_EQ(defs.CountPackages(list), 3);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(defs.WindowTitle(), "Trovel - Aldera 800");
}

TEST_F(DeviceSelectionTest, MissingDirectoryFileIsCreatedWithTheDefaultText)
{
    DeleteFileA(Path("Directory.ini").c_str());
    SetTrovelValue("CurrentDevice", "1");
    std::string result;
    ASSERT_EQ(defs.SelectDevice(result), 1) << result;
    EXPECT_EQ(Read("Directory.ini"), "\n\n [DIRECTORY]  \n\n Path Directory= .\\ \n");
    EXPECT_EQ(Ini("Directory.ini", "Directory", "Path Directory"), ".\\");
    EXPECT_EQ(Config("DEVICE Name"), "Aldera 400");
    // The next run finds everything in place.
    ASSERT_EQ(defs.SelectDevice(result), 1) << result;
    EXPECT_TRUE(asked.empty());
}

TEST_F(DeviceSelectionTest, EveryFailureCodeWithItsText)
{
    struct Case {
        const char* what;
        std::function<void(DeviceSelectionTest&)> prepare;
        int unattended;
        int code;
        std::string result;
    } cases[] = {
        {"empty base folder", [](DeviceSelectionTest& t) { t.Write("Directory.ini", "[Directory]\r\nPath Directory=\r\n"); },
         1, 3, ""},
        {"no device chosen", [](DeviceSelectionTest&) {}, 1, 7, kNoDevice},
        {"device zero", [](DeviceSelectionTest&) { SetTrovelValue("CurrentDevice", "0"); }, 1, 7, kNoDevice},
        {"device without a path", [](DeviceSelectionTest&) { SetTrovelValue("CurrentDevice", "3"); }, 1, 9,
         "Device selected for Trovel is not supported."},
        {"device not in the list", [](DeviceSelectionTest&) { SetTrovelValue("CurrentDevice", "4 (Aldera 999)"); },
         1, 9, "Device selected for Trovel is not supported."},
        {"detected type empty", [](DeviceSelectionTest& t) { t.ProvideSystemInfo(""); }, 1, 9,
         "Device selected for Trovel is not supported."},
        {"detected type without device file", [](DeviceSelectionTest& t) { t.ProvideSystemInfo("Aldera 999"); }, 1, 2,
         "Missing or invalid device configuration file '.\\\\Devices\\Aldera 999.ini'."},
        {"device file missing",
         [](DeviceSelectionTest& t) {
             t.SetIni("Devices.ini", "DEVICE PATH", "Aldera 400", "Devices\\Gone.ini");
             SetTrovelValue("CurrentDevice", "1");
         },
         1, 2, "Missing or invalid device configuration file 'Devices\\Gone.ini'."},
        {"no device list", [](DeviceSelectionTest& t) { DeleteFileA(t.Path("Devices.ini").c_str()); }, 1, 2,
         " Systeminfo.xml is missing or invalid.\n Do you want to use a 'Default' device?"},
        {"changed device declined",
         [](DeviceSelectionTest& t) {
             t.UseFixture("installed");
             SetTrovelValue("CurrentDevice", "1");
             t.answer = IDNO;
         },
         0, 11, ""},
        {"missing package declined at installation",
         [](DeviceSelectionTest& t) {
             t.SetIni("Devices\\Aldera800.ini", "SELECT PACKAGE", "2)Name", "Packages\\Ghost");
             SetTrovelValue("CurrentDevice", "2");
             t.answer = IDNO;
         },
         0, 11, "Package 'Packages\\Ghost' is missing. Do you want to continue?"},
        {"missing package declined at installation without directory file",
         [](DeviceSelectionTest& t) {
             DeleteFileA(t.Path("Directory.ini").c_str());
             t.SetIni("Devices\\Aldera800.ini", "SELECT PACKAGE", "2)Name", "Packages\\Ghost");
             SetTrovelValue("CurrentDevice", "2");
             t.answer = IDNO;
         },
         0, 11, "Package 'Packages\\Ghost' is missing. Do you want to continue?"},
        {"identity without a name",
         [](DeviceSelectionTest& t) {
             t.UseFixture("installed");
             t.SetIni("Current\\Current_Trovel.ini", "CONFIGURATION", "DEVICE Name", "");
             SetTrovelValue("CurrentDevice", "2");
         },
         0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(DeleteFolder(Path("Current"), false));
        UseFixture("base");
        DeleteTrovelKey();
        SetEnvironmentVariableA("Path", "C:\\windows");
        answer = IDYES;
        defs = CTrovelDefinitions();
        defs.m_bUnattended = c.unattended;
        c.prepare(*this);
        std::string result;
        EXPECT_EQ(defs.SelectDevice(result), c.code);
        EXPECT_EQ(result, c.result);
    }
}

TEST_F(DeviceSelectionTest, MissingSystemInfoWhileAConfigurationExists)
{
    DeleteFileA(Path("Devices.ini").c_str());
    UseFixture("installed");
    defs.m_strDefDir = ".\\Current\\";
    std::string id, name, file, result;
    EXPECT_EQ(defs.ChooseDevice(0, id, name, ".\\", file, result), 10);
    EXPECT_EQ(result, "Missing or invalid 'SystemInfo.xml' file.");
}

TEST_F(DeviceSelectionTest, ChangedDeviceAcceptedKeepsTheRegion)
{
    UseFixture("installed");
    SetTrovelValue("CurrentDevice", "1 (Aldera 400)");
    std::string result;
    ASSERT_EQ(defs.SelectDevice(result), 1) << result;
    ASSERT_GE(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, kChanged);
    EXPECT_EQ(asked[0].type, 0x24u);
    for (const char* file : {"Current\\Trovel.ini", "Current\\Current_Trovel.ini"}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(Ini(file, "CONFIGURATION", "DEVICE Name"), "Aldera 400");
        EXPECT_EQ(Ini(file, "CONFIGURATION", "Device ID"), "1");
        EXPECT_EQ(Ini(file, "CONFIGURATION", "Region"), "North");
        EXPECT_EQ(Ini(file, "CONFIGURATION", "User Defined"), "A400-01");
    }
    EXPECT_TRUE(Exists("Current\\Current_Package_Setup.ini"));
}

TEST_F(DeviceSelectionTest, NewerDeviceFileIsOfferedAndADeclineIsRemembered)
{
    struct Case {
        int answer;
        const char* version;
        int deviceChanged;
    } cases[] = {{IDYES, "6", 0}, {IDNO, "5", 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        UseFixture("installed");
        SetIni("Devices\\Aldera800.ini", "Device Version", "version", "6");
        SetTrovelValue("CurrentDevice", "2");
        defs = CTrovelDefinitions();
        asked.clear();
        answers = {c.answer};
        answer = IDNO;  // any later question
        std::string result;
        EXPECT_EQ(defs.SelectDevice(result), 1) << result;
        ASSERT_GE(asked.size(), 1u);
        EXPECT_EQ(asked[0].text, "Trovel definition files have changed.\n Do you want to use the updates?");
        EXPECT_EQ(Ini("Current\\Current_Trovel.ini", "Device Version", "version"), c.version);
        EXPECT_EQ(Ini("Current\\Trovel.ini", "Device Version", "version"), c.version);
        EXPECT_EQ(Config("Region"), "North");
        EXPECT_EQ(Config("DEVICE Name"), "Aldera 800");
        EXPECT_EQ(defs.m_nDeviceChanged, c.deviceChanged);
    }
}

TEST_F(DeviceSelectionTest, DetectedDevices)
{
    struct Case {
        const char* type;
        const char* id;
        const char* name;
        const char* userDefined;
    } cases[] = {{"Default", "1", "Default", "NULL"}, {"Aldera800", "KS", "Aldera800", "A800-01"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        ASSERT_TRUE(DeleteFolder(Path("Current"), false));
        ASSERT_TRUE(CopyFileA(Path("Devices\\Aldera800.ini").c_str(), Path("Devices\\Aldera800-copy.ini").c_str(), FALSE));
        MoveFileExA(Path("Devices\\Aldera800-copy.ini").c_str(), Path("Devices\\Aldera800.ini").c_str(),
                    MOVEFILE_REPLACE_EXISTING);
        ProvideSystemInfo(c.type);
        defs = CTrovelDefinitions();
        defs.m_bUnattended = 1;
        std::string result;
        ASSERT_EQ(defs.SelectDevice(result), 1) << result;
        EXPECT_EQ(defs.m_bSystemInfo, 1);
        EXPECT_EQ(defs.m_strDeviceType, c.type);
        EXPECT_EQ(Config("Device ID"), c.id);
        EXPECT_EQ(Config("DEVICE Name"), c.name);
        EXPECT_EQ(Main("Device ID"), c.id);
        EXPECT_EQ(Config("User Defined"), c.userDefined);
    }
}

TEST_F(DeviceSelectionTest, XmlValues)
{
    struct Case {
        const char* text;
        int found;
        const char* value;
    } cases[] = {
        {"<a>Service Host Group Type</a><Detected>Aldera800</Detected>", 1, "Aldera800"},
        {"<Detected>Early</Detected><a>Service Host Group Type</a><Detected>Late</Detected>", 1, "Late"},
        {"<a>Service Host Group Type</a><Detected>Open", 0, ""},
        {"<a>Service Host Group Type</a><Detected></Detected>", 0, ""},
        {"<a>Other</a><Detected>Aldera800</Detected>", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Write("info.xml", c.text);
        std::string value = "stale";
        EXPECT_EQ(defs.ReadXmlTag(Path("info.xml"), ">Service Host Group Type<", "<Detected>", value), c.found);
        EXPECT_EQ(value, c.value);
    }
    std::string value;
    EXPECT_EQ(defs.ReadXmlTag(Path("none.xml"), ">Service Host Group Type<", "<Detected>", value), 0);
}

TEST_F(DeviceSelectionTest, SystemInfoIsFoundBesideTheServicePlatformInThePath)
{
    std::string path;
    EXPECT_EQ(defs.FindSystemInfo(path), 0);
    ProvideSystemInfo("Default");
    ASSERT_EQ(defs.FindSystemInfo(path), 1);
    EXPECT_EQ(path, Path("Svc\\Kestrin\\Logs\\SystemInfo.xml"));
    SetEnvironmentVariableA("Path", (Path("Svc\\KESTRIN\\bin") + ";C:\\windows").c_str());  // first entry, any case
    ASSERT_EQ(defs.FindSystemInfo(path), 1);
}

TEST_F(DeviceSelectionTest, DeviceListIsPublishedInTheRegistry)
{
    for (int n = 1; n <= 5; ++n)
        SetTrovelValue("Device" + std::to_string(n), "stale");
    defs.PublishDeviceList();
    EXPECT_EQ(GetTrovelValue("CurrentDevice"), "0");
    EXPECT_EQ(GetTrovelValue("Device1"), "1 (Aldera 400)");
    EXPECT_EQ(GetTrovelValue("Device2"), "2 (Aldera 800)");
    EXPECT_EQ(GetTrovelValue("Device3"), "3 (Ghost)");
    EXPECT_FALSE(TrovelValueExists("Device4"));
    EXPECT_FALSE(TrovelValueExists("Device5"));

    // A chosen device stays; a missing key is created below the existing parent.
    SetTrovelValue("CurrentDevice", "2 (Aldera 800)");
    defs.PublishDeviceList();
    EXPECT_EQ(GetTrovelValue("CurrentDevice"), "2 (Aldera 800)");
    DeleteTrovelKey();
    defs.PublishDeviceList();
    EXPECT_EQ(GetTrovelValue("Device2"), "2 (Aldera 800)");

    // Without device 1 in the list nothing is touched.
    SetTrovelValue("Device1", "kept");
    SetIni("Devices.ini", "Device ID", "1", "");
    defs.PublishDeviceList();
    EXPECT_EQ(GetTrovelValue("Device1"), "kept");
}

TEST_F(DeviceSelectionTest, MachineIdSources)
{
    const std::string computer = ComputerNameForTest();
    SetTrovelValue("Serial", "SN-77");
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvane\\Projects\\Tessaro400V\\MACHINE", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Id", 0, REG_SZ, reinterpret_cast<const BYTE*>("M-400"), 6);
    RegCloseKey(key);
    ProvideSystemInfo("Default", "SER-9");

    struct Case {
        const char* what;
        const char* computerName;  // nullptr: key missing
        const char* registryField;
        const char* userDefined;
        const char* systemInfo;
        int result;
        std::string id;
    } cases[] = {
        {"no Computer Name key", nullptr, "NULL", "ABC", "NULL", 0, ""},
        {"empty Computer Name", "", "NULL", "ABC", "NULL", 0, ""},
        {"all sources off", "0", "NULL", "NULL", "NULL", 0, ""},
        {"computer name", "1", "NULL", "NULL", "NULL", 1, computer},
        {"user defined wins over computer name", "1", "NULL", "ABC", "NULL", 1, "ABC"},
        {"registry value", "0", "HKEY_LOCAL_MACHINE\\Software\\Velmora\\Trovel\\Serial", "NULL", "NULL", 1, "SN-77"},
        {"registry path in any case", "0", "hkey_local_machine\\software\\velmora\\trovel\\Serial", "NULL", "NULL", 1,
         "SN-77"},
        {"missing registry value", "0", "HKEY_LOCAL_MACHINE\\Software\\Velmora\\Trovel\\None", "NULL", "NULL", 1,
         computer},
        {"machine id of the older model", "0", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Velmora\\Aldera400\\Machine\\Id", "NULL",
         "NULL", 1, "M-400"},
        {"system info serial wins", "1", "NULL", "ABC", "yes", 1, "SER-9"},
        {"empty user defined", "0", "NULL", "", "NULL", 1, computer},
        {"missing user defined counts as empty", "1", "NULL", nullptr, "NULL", 1, computer},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text = "[CONFIGURATION]\r\n";
        if (c.computerName)
            text += std::string("Computer Name=") + c.computerName + "\r\n";
        text += std::string("Registry Field=") + c.registryField + "\r\n";
        if (c.userDefined)
            text += std::string("User Defined=") + c.userDefined + "\r\n";
        text += std::string("Systeminfo=") + c.systemInfo + "\r\n";
        Write("machine.ini", text);
        std::string id = "stale";
        EXPECT_EQ(defs.GetMachineId(Path("machine.ini"), id), c.result);
        if (c.result) {
            EXPECT_EQ(id, c.id);
        }
    }
}

TEST_F(DeviceSelectionTest, MachineIdWithAnUnsafeCharacterFallsBackToTheComputerName)
{
    const std::string computer = ComputerNameForTest();
    for (const char* bad : {"/", "\\", "|", "?", ":", "'", "<", ">", "*"}) {
        SCOPED_TRACE(bad);
        Write("machine.ini", std::string("[CONFIGURATION]\r\nComputer Name=0\r\nRegistry Field=NULL\r\nUser Defined=AB") +
                                 bad + "C\r\nSysteminfo=NULL\r\n");
        std::string id;
        ASSERT_EQ(defs.GetMachineId(Path("machine.ini"), id), 1);
        EXPECT_EQ(id, computer);
    }
    Write("machine.ini", "[CONFIGURATION]\r\nComputer Name=0\r\nRegistry Field=NULL\r\nUser Defined=AB-C_1.2\r\n"
                         "Systeminfo=NULL\r\n");
    std::string id;
    ASSERT_EQ(defs.GetMachineId(Path("machine.ini"), id), 1);
    EXPECT_EQ(id, "AB-C_1.2");
}

}  // namespace
