// The tkbsim command line: every command's effect and output, and refusal of malformed commands
// without any change.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "sim_test_support.h"
#include "tkbsim/fpga_registers.h"
#include "tkbsim_cli.h"

namespace tkbsim::test {
namespace {

using tkbsim::BoardFolder;

class TkbsimCliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Run({"create", dir_, "TKB-20U", "TKF-20:usb2"}), 0) << err_; }

    int Run(std::vector<std::string> args) {
        std::ostringstream out;
        std::ostringstream err;
        const int status = tkbsim::RunTkbsim(args, out, err);
        out_ = out.str();
        err_ = err.str();
        return status;
    }

    std::string Listing() {
        Run({"list", dir_});
        return out_;
    }

    TempFolder temp_{"cli"};
    std::string dir_ = temp_.Str();
    std::string out_;
    std::string err_;
};

TEST_F(TkbsimCliTest, CreateAndList) {
    EXPECT_EQ(Listing(),
              "board 0: TKB-20U, USB 0x0300, plugged in, 0 restarts\n"
              "board 1: TKF-20, USB 0x0200, plugged in, 0 restarts\n");
    EXPECT_EQ(Run({"create", dir_, "RJQ-10"}), 0);
    EXPECT_EQ(out_, "board 2: RJQ-10\n");
}

TEST_F(TkbsimCliTest, ShowsAndSetsFpgaRegisters) {
    EXPECT_EQ(Run({"fpga-show", dir_, "0", "0x080000D0", "2"}), 0);
    EXPECT_EQ(out_, "0x080000D0 = 0x00000054\n0x080000D4 = 0x00000055\n");
    EXPECT_EQ(Run({"fpga-set", dir_, "0", "0x10000000", "0x101"}), 0);
    EXPECT_EQ(BoardFolder(dir_).Open(0)->ReadFpga(tkr::kRegCameraControl), 0x101u);
}

TEST_F(TkbsimCliTest, ShowsAndSetsI2CRegisters) {
    EXPECT_EQ(Run({"i2c-set", dir_, "1", "0x34", "0x53", "0x01", "2"}), 0) << err_;
    EXPECT_EQ(Run({"i2c-show", dir_, "1", "0x34", "0x50", "6"}), 0);
    EXPECT_EQ(out_, "0x34 0x0050: 00 00 00 01 02 00\n");
    EXPECT_EQ(Run({"i2c-show", dir_, "0", "0x10", "0x300A", "2"}), 0);
    EXPECT_EQ(out_, "0x10 0x300A: 56 40\n");
}

TEST_F(TkbsimCliTest, ShowsSetsAndLoadsFlash) {
    const std::string image = (temp_.Path() / "image.bin").string();
    std::ofstream(image, std::ios::binary) << std::string(20, '\x5A');
    EXPECT_EQ(Run({"flash-load", dir_, "0", "0x100000", image}), 0) << err_;
    EXPECT_EQ(out_, "20 bytes written at 0x100000\n");
    EXPECT_EQ(Run({"flash-set", dir_, "0", "0x100013", "0x01", "0xFF"}), 0);
    EXPECT_EQ(Run({"flash-show", dir_, "0", "0x10000E", "8"}), 0);
    EXPECT_EQ(out_, "0x10000E: 5A 5A 5A 5A 5A 01 FF FF\n");
}

TEST_F(TkbsimCliTest, FaultsAreListedAndCleared) {
    EXPECT_EQ(Run({"fault", dir_, "0", "status", "0x05", "3"}), 0);
    EXPECT_EQ(Run({"fault", dir_, "0", "error", "1167"}), 0);
    EXPECT_EQ(Run({"fault", dir_, "0", "cut", "0"}), 0);
    EXPECT_EQ(Run({"fault", dir_, "0", "no-endpoint", "0x84"}), 0);
    EXPECT_EQ(Run({"fault", dir_, "0", "bad-flash", "0x100000", "0x1000"}), 0);
    EXPECT_EQ(Run({"fault", dir_, "0", "refuse", "0x04", "0x01"}), 0);
    EXPECT_NE(Listing().find(
                  "faults: next 3 commands answer status 0x05, next 1 requests fail with error 1167, "
                  "next reply cut to 0 bytes, no endpoint 0x84, flash 0x100000 to 0x100FFF keeps no writes, "
                  "command 0x04 answers status 0x01"),
              std::string::npos)
        << out_;
    EXPECT_EQ(Run({"clear-faults", dir_, "0"}), 0);
    EXPECT_EQ(Listing().find("faults"), std::string::npos);
}

TEST_F(TkbsimCliTest, RestartUnplugAndPlug) {
    EXPECT_EQ(Run({"restart", dir_, "1"}), 0);
    EXPECT_EQ(Run({"unplug", dir_, "0"}), 0);
    EXPECT_EQ(Listing(),
              "board 0: TKB-20U, USB 0x0300, unplugged, 0 restarts\n"
              "board 1: TKF-20, USB 0x0200, plugged in, 1 restarts\n");
    EXPECT_EQ(Run({"plug", dir_, "0"}), 0);
    EXPECT_NE(Listing().find("board 0: TKB-20U, USB 0x0300, plugged in"), std::string::npos);
}

TEST_F(TkbsimCliTest, PrintsAndClearsTheFrameLog) {
    tkbsim::VirtualDriver driver(dir_);
    DriverClient client(driver, tkbsim::VirtualDriver::DevicePath(0));
    client.Exchange(I2CWrite8(0x3C, 0x10, {0x01, 0x02}), 1);
    client.Exchange(SpiWrite(0x300000, Pattern(100, 1)), 1);
    EXPECT_EQ(Run({"log", dir_, "0"}), 0);
    std::istringstream lines(out_);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line.substr(0, 7), "#0 pid ");
    EXPECT_NE(line.find(" 5 bytes: 01 78 10 01 02"), std::string::npos) << line;
    std::getline(lines, line);
    EXPECT_NE(line.find(" 108 bytes: 04 E7 30 00 00 00 00 64 "), std::string::npos) << line;
    EXPECT_EQ(line.substr(line.size() - 4), " ...");
    EXPECT_EQ(Run({"clear-log", dir_, "0"}), 0);
    EXPECT_EQ(Run({"log", dir_, "0"}), 0);
    EXPECT_EQ(out_, "");
}

TEST_F(TkbsimCliTest, MalformedCommandsChangeNothing) {
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{}, "Usage: tkbsim"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"list"}, "wrong number of arguments"},
        {{"create", "DIR", "TKB-20", "TKB-99"}, "unknown model 'TKB-99'"},
        {{"create", "DIR", "TKB-20:usb4"}, "usb2 or usb3"},
        {{"create", "DIR", "TKB-20:version=1,2,3,4,5,6,7,8,9,10,11"}, "at most 10 bytes"},
        {{"create", "DIR", "TKB-20:version=1,256"}, "version: 256 is above 0xFF"},
        {{"create", "DIR", "TKB-20:letters=ABCDE"}, "at most 4 letters"},
        {{"fpga-set", "DIR", "0", "0x10000000", "zz"}, "VALUE: 'zz' is not a number"},
        {{"fpga-set", "DIR", "0", "0x10000000", "0x100000000"}, "VALUE: 0x100000000 is above 0xFFFFFFFF"},
        {{"i2c-set", "DIR", "0", "0x80", "0", "1"}, "SLAVE: 0x80 is above 0x7F"},
        {{"i2c-set", "DIR", "0", "0x3C", "0x10", "1", "256"}, "BYTE: 256 is above 0xFF"},
        {{"flash-set", "DIR", "0", "0x1000000", "1"}, "ADDRESS: 0x1000000 is above 0xFFFFFF"},
        {{"fault", "DIR", "0", "status", "0"}, "status other than 0"},
        {{"fault", "DIR", "0", "refuse", "0x04", "0"}, "status other than 0"},
        {{"fault", "DIR", "0", "no-endpoint", "0x81"}, "0x04 and 0x84"},
        {{"fault", "DIR", "0", "bad-flash", "0xFFFFFF", "2"}, "LENGTH: 2 is above 0x1"},
        {{"fault", "DIR", "0", "melt"}, "unknown fault 'melt'"},
        {{"fault", "DIR", "0", "cut"}, "wrong number of arguments"},
        {{"fault", "DIR", "0", "opens"}, "wrong number of arguments"},
        {{"unplug", "DIR", "-1"}, "BOARD: '-1' is not a number"},
    };
    const std::string before = Listing();
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        for (auto& arg : args) {
            arg = arg == "DIR" ? dir_ : arg;
        }
        EXPECT_EQ(Run(args), 2) << c.message;
        EXPECT_NE(err_.find(c.message), std::string::npos) << err_;
    }
    EXPECT_EQ(Listing(), before);
    EXPECT_EQ(BoardFolder(dir_).List().size(), 2u);
    EXPECT_EQ(BoardFolder(dir_).Open(0)->ReadI2C(0x3C, 0x10, 1), Bytes{0});
}

TEST_F(TkbsimCliTest, BoardsOfTheirOwnFirmwareAndTheOpenLimit) {
    EXPECT_EQ(Run({"create", dir_, "TKB-20:usb3:version=150,2,0x01:letters=O-Z"}), 0) << err_;
    EXPECT_EQ(out_, "board 2: TKB-20\n");
    const BoardInfo info = BoardFolder(dir_).Open(2)->Info();
    EXPECT_EQ(info.usbRelease, 0x0300);
    EXPECT_EQ(info.version, (std::array<uint8_t, 10>{150, 2, 1}));
    EXPECT_EQ(info.letters, (std::array<char, 4>{'O', 0, 'Z', 0}));
    EXPECT_EQ(Run({"fault", dir_, "2", "opens", "3"}), 0) << err_;
    EXPECT_EQ(Run({"fault", dir_, "1", "opens", "0"}), 0) << err_;
    EXPECT_EQ(Listing(),
              "board 0: TKB-20U, USB 0x0300, plugged in, 0 restarts\n"
              "board 1: TKF-20, USB 0x0200, plugged in, 0 restarts; faults: does not open\n"
              "board 2: TKB-20, USB 0x0300, plugged in, 0 restarts, version 0x96 0x02 0x01 0x00 0x00 0x00 "
              "0x00 0x00 0x00 0x00, letters O-Z-; faults: opens 3 more times\n");
}

TEST_F(TkbsimCliTest, FailuresNameTheirCause) {
    EXPECT_EQ(Run({"unplug", dir_, "7"}), 1);
    EXPECT_NE(err_.find("there is no board 7"), std::string::npos) << err_;
    EXPECT_EQ(Run({"i2c-show", dir_, "0", "0x34", "0", "1"}), 1);
    EXPECT_NE(err_.find("no I2C slave at 0x34"), std::string::npos) << err_;
    EXPECT_EQ(Run({"flash-load", dir_, "0", "0", (temp_.Path() / "missing.bin").string()}), 1);
    EXPECT_NE(err_.find("cannot open the file"), std::string::npos) << err_;
    EXPECT_EQ(Run({"flash-show", dir_, "0", "0xFFFFF0", "0x20"}), 1);
    EXPECT_NE(err_.find("past the end of the flash"), std::string::npos) << err_;
}

TEST_F(TkbsimCliTest, HelpNamesEveryCommand) {
    EXPECT_EQ(Run({"--help"}), 0);
    for (const char* command : {"models", "create", "list", "fpga-show", "fpga-set", "i2c-show", "i2c-set",
                                "flash-show", "flash-set", "flash-load", "fault", "clear-faults", "log",
                                "clear-log", "restart", "unplug", "plug"}) {
        EXPECT_NE(out_.find("  " + std::string(command) + " "), std::string::npos) << command;
    }
    EXPECT_EQ(Run({"models"}), 0);
    EXPECT_NE(out_.find("TKR-90        board type 10  USB 3.0  settings at 0xFF0000"), std::string::npos)
        << out_;
}

}  // namespace
}  // namespace tkbsim::test
