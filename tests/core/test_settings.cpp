#include "core/settings/Settings.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* kDefaultFile = "[LOCONET]\n"
                           "COM Port=COM1\n"
                           "Offline=0\n"
                           "Debug Mode=0\n"
                           "Power Throttle Mode=1\n"
                           "Baud Rate=16457\n"
                           "Flow Control=0\n"
                           "Share Port=0\n"
                           "Share On Network=0\n"
                           "Share Max Clients=16\n"
                           "WiThrottle Port=0\n"
                           "WiThrottle On Network=0\n"
                           "\n"
                           "[TRAIN_DYNAMICS]\n"
                           "Axels Per Car=4\n"
                           "Empty Car Weight=20.00\n"
                           "Net Car Load=50.00\n"
                           "Standard Brake System Preasure=90.00\n"
                           "Max Loco Brake Cylinder Preasure=70.00\n"
                           "Empty Car Braking Factor=0.10\n"
                           "Loaded Car Braking Factor=0.01\n"
                           "Loco Braking Factor=0.20\n"
                           "Aux Fill Rate=0.0200\n"
                           "Brake Delay Calculation Train Length=10\n"
                           "Brake Pipe Initial Fill Rate=1.0000\n"
                           "Brake Pipe Delayed Fill Rate=0.0500\n"
                           "Brake Pipe Initial Release Rate=0.5000\n"
                           "Brake Pipe Delayed Release Rate=0.2500\n"
                           "Resistance Factor Axels=29.0000\n"
                           "Resistance Factor Weight=1.3000\n"
                           "Resistance Factor Speed Loco=0.030000\n"
                           "Resistance Factor Speed Car=0.045000\n"
                           "Resistance Factor Air=0.002500\n"
                           "Loco Cross-Section=120.0000\n"
                           "\n"
                           "[PREFERENCES]\n"
                           "Number of Cars Table=0,5,10,20\n"
                           "Cars Weight Percent Table=0,50,100\n"
                           "Number of Cars Button=11\n"
                           "Cars Weight Percent Button=10\n"
                           "Brake Mode Loco Button=12\n"
                           "Brake Release Tolerance=1\n"
                           "Use Right Dir For Brake Type=0\n"
                           "First Run=1\n"
                           "Open Last Layout=1\n"
                           "Show F13 to F28=0\n";

} // namespace

TEST(SettingsFile, WrittenFromNoFileHasEveryKeyInOrderWithItsFormat) {
    TempDir dir;
    std::string path = dir.File("vlakomat.ini");
    ProgramSettings values = ReadSettings(path);
    ASSERT_EQ(WriteSettings(path, values), "");
    EXPECT_EQ(dir.Read("vlakomat.ini"), kDefaultFile);
}

TEST(SettingsFile, ValuesReadAndWrittenBack) {
    TempDir dir;
    dir.Write("v.ini", "[loconet]\ncom port = /dev/ttyUSB0\nDEBUG MODE=1\n"
                       "[Train_Dynamics]\nLoco Cross-Section=95.5\n"
                       "Loaded Car Braking Factor=0.015\nAxels Per Car=6\n"
                       "[Other]\nKeep=me\n"
                       "[Recent File List]\nFile1=/home/op/postaja.vlk\n");
    ProgramSettings v = ReadSettings(dir.File("v.ini"));
    EXPECT_EQ(v.settings.ComPort, "/dev/ttyUSB0");
    EXPECT_EQ(v.DebugMode, 1);
    EXPECT_DOUBLE_EQ(v.settings.LocoCrossSection, 95.5);
    EXPECT_DOUBLE_EQ(v.settings.LoadedCarBrakingFactor, 0.015);
    EXPECT_EQ(v.settings.AxelsPerCar, 6);
    EXPECT_EQ(v.settings.FirstRun, 1); // missing key: default
    EXPECT_EQ(v.RecentFiles[0], "/home/op/postaja.vlk");
    EXPECT_EQ(v.RecentFiles[1], "");

    ASSERT_EQ(WriteSettings(dir.File("v.ini"), v), "");
    std::string written = dir.Read("v.ini");
    EXPECT_NE(written.find("Loco Cross-Section=95.5000\n"), std::string::npos);
    // Three decimals are rounded to the two of the format, and read back rounded.
    EXPECT_NE(written.find("Loaded Car Braking Factor=0.01\n"), std::string::npos);
    EXPECT_NE(written.find("[Other]\nKeep=me\n"), std::string::npos);
    EXPECT_NE(written.find("File1=/home/op/postaja.vlk\n"), std::string::npos);
    EXPECT_EQ(written.find("Loco Cross-Section=95.5\n"), std::string::npos); // replaced, not added
    EXPECT_DOUBLE_EQ(ReadSettings(dir.File("v.ini")).settings.LoadedCarBrakingFactor, 0.01);
}

// Found by fuzzing: values that reading trims or unquotes must be written so that they read
// back as they were.
TEST(SettingsFile, EveryValueReadsBackAsWritten) {
    TempDir dir;
    for (const std::string value :
         {" \"COM6", "\"quoted\"", "tab at the end\t", " ", "\"", "a \"b\" c", "/dev/ttyUSB0"}) {
        ProgramSettings v;
        v.settings.ComPort = value;
        ASSERT_EQ(WriteSettings(dir.File("q.ini"), v), "");
        EXPECT_EQ(ReadSettings(dir.File("q.ini")).settings.ComPort, value) << dir.Read("q.ini");
    }
}

TEST(SettingsFile, LongStringsAreCutAndBadNumbersConvertLikeTheCLibrary) {
    TempDir dir;
    std::string longPort(300, 'x');
    dir.Write("v.ini", "[LOCONET]\nCOM Port=" + longPort +
                           "\nOffline=abc\nPower Throttle Mode=-3\n"
                           "[TRAIN_DYNAMICS]\nEmpty Car Weight=12.5t\nNet Car Load=tons\n"
                           "Axels Per Car=7 axles\n[PREFERENCES]\nNumber of Cars Table=" +
                           std::string(260, '1') + "\n");
    ProgramSettings v = ReadSettings(dir.File("v.ini"));
    EXPECT_EQ(v.settings.ComPort, std::string(253, 'x'));
    EXPECT_EQ(v.settings.Offline, 0);
    EXPECT_EQ(v.settings.PowerThrottleMode, -3);
    EXPECT_DOUBLE_EQ(v.settings.EmptyCarWeight, 12.5);
    EXPECT_DOUBLE_EQ(v.settings.NetCarLoad, 0.0);
    EXPECT_EQ(v.settings.AxelsPerCar, 7);
    EXPECT_EQ(v.settings.NumberOfCarsTable.size(), 253u);
}

TEST(SettingsFile, UnwritableFileReportsTheReason) {
    TempDir dir;
    EXPECT_NE(WriteSettings(dir.File("missing-folder/v.ini"), ProgramSettings{}), "");
    // Neither beside it nor in place: a folder where the file should be.
    std::filesystem::create_directory(dir.File("v.ini"));
    EXPECT_NE(WriteSettings(dir.File("v.ini"), ProgramSettings{}), "");
}

TEST(SettingsFile, ReadAsTheProfileFunctionsRead) {
    const std::string longPath = "/home/op/" + std::string(300, 'p') + ".vlk";
    const struct {
        const char* name;
        std::string file;
        std::string comPort;
        std::string recent1;
    } cases[] = {
        {"the first of two keys counts", "[LOCONET]\nCOM Port=sim\nCOM Port=COM9\n", "sim", ""},
        {"the first of two sections counts",
         "[LOCONET]\nOffline=1\n[Other]\n[loconet]\nCOM Port=COM9\n", "COM1", ""},
        {"one pair of quotes is removed", "[LOCONET]\nCOM Port = \"COM3\" \n", "COM3", ""},
        {"only one pair", "[LOCONET]\nCOM Port=\"\"x\"\"\n", "\"x\"", ""},
        {"a lone quote stays", "[LOCONET]\nCOM Port=\"COM3\n", "\"COM3", ""},
        {"Windows line ends and a byte order mark", "\xEF\xBB\xBF[LOCONET]\r\nCOM Port=COM4\r\n",
         "COM4", ""},
        {"comments are no keys", "[LOCONET]\n;COM Port=COM5\n", "COM1", ""},
        {"paths are never cut", "[Recent File List]\nFile1=" + longPath + "\n", "COM1", longPath},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        dir.Write("v.ini", c.file);
        const ProgramSettings v = ReadSettings(dir.File("v.ini"));
        EXPECT_EQ(v.settings.ComPort, c.comPort);
        EXPECT_EQ(v.RecentFiles[0], c.recent1);
    }
}

TEST(SettingsFile, WritingKeepsWhatItDoesNotKnow) {
    TempDir dir;
    const std::string before = "; Vlakomat\n"
                               "[LOCONET]\n"
                               "# the interface on the desk\n"
                               "COM Port = \"/dev/ttyUSB0\"\n"
                               "not a key line\n"
                               "COM Port=COM9\n"
                               "\n"
                               "[Recent File List]\n"
                               "File1=/a.vlk\n";
    dir.Write("v.ini", before);
    ProgramSettings v = ReadSettings(dir.File("v.ini"));
    ASSERT_EQ(v.settings.ComPort, "/dev/ttyUSB0");
    v.settings.ComPort = "sim";
    v.RecentFiles[0].clear();
    ASSERT_EQ(WriteSettings(dir.File("v.ini"), v), "");
    const std::string head = "; Vlakomat\n"
                             "[LOCONET]\n"
                             "# the interface on the desk\n"
                             "COM Port=sim\n"
                             "not a key line\n"
                             "COM Port=COM9\n"
                             "Offline=0\n"
                             "Debug Mode=0\n"
                             "Power Throttle Mode=1\n"
                             "Baud Rate=16457\n"
                             "Flow Control=0\n"
                             "Share Port=0\n"
                             "Share On Network=0\n"
                             "Share Max Clients=16\n"
                             "WiThrottle Port=0\n"
                             "WiThrottle On Network=0\n"
                             "\n"
                             "[Recent File List]\n"
                             "\n"
                             "[TRAIN_DYNAMICS]\n";
    EXPECT_EQ(dir.Read("v.ini").substr(0, head.size()), head);
    EXPECT_EQ(ReadSettings(dir.File("v.ini")).settings.ComPort, "sim");
}

TEST(SettingsFile, WritingKeepsALinkItsPermissionsAndWorksInAReadOnlyFolder) {
    const struct {
        const char* name;
        std::function<void(const TempDir&)> arrange;
    } cases[] = {
        {"plain file", [](const TempDir&) {}},
        {"the temporary name is taken",
         [](const TempDir& d) { std::filesystem::create_directory(d.File("conf/v.ini.tmp~")); }},
        {"read-only folder", [](const TempDir& d) { ::chmod(d.File("conf").c_str(), 0555); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::filesystem::create_directory(dir.File("conf"));
        dir.Write("conf/v.ini", "[LOCONET]\nCOM Port=COM3\n");
        ::chmod(dir.File("conf/v.ini").c_str(), 0640);
        std::filesystem::create_symlink("conf/v.ini", dir.File("link.ini"));
        c.arrange(dir);
        ProgramSettings v = ReadSettings(dir.File("link.ini"));
        v.settings.ComPort = "sim";
        EXPECT_EQ(WriteSettings(dir.File("link.ini"), v), "");
        ::chmod(dir.File("conf").c_str(), 0755);
        EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.ini")));
        EXPECT_EQ(ReadSettings(dir.File("conf/v.ini")).settings.ComPort, "sim");
        struct stat st {};
        ASSERT_EQ(::stat(dir.File("conf/v.ini").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        EXPECT_FALSE(std::filesystem::is_regular_file(dir.File("conf/v.ini.tmp~")));
    }
}
