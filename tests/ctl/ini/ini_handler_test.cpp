#include "ini/ini_handler.h"

#include <gtest/gtest.h>

#include <string>

#include "ini/program_paths.h"
#include "support/ini_test_support.h"

namespace tkbctl::test {
namespace {

using test::IniFolderTest;

TEST(DefaultIniPathTest, ReplacesTheExtensionOrAppendsOne) {
    EXPECT_EQ(DefaultIniPath("C:\\D\\X.exe"), "C:\\D\\X.ini");
    EXPECT_EQ(DefaultIniPath("C:\\D\\x.tar.gz"), "C:\\D\\x.tar.ini");
    EXPECT_EQ(DefaultIniPath("C:\\D\\X."), "C:\\D\\X.ini");
    EXPECT_EQ(DefaultIniPath("X"), "X.ini");
    // A dot in a folder name is no extension, with either separator.
    EXPECT_EQ(DefaultIniPath("C:\\D.1\\X"), "C:\\D.1\\X.ini");
    EXPECT_EQ(DefaultIniPath("/opt/d.1/x"), "/opt/d.1/x.ini");
    EXPECT_EQ(DefaultIniPath("C:/D.1\\X"), "C:/D.1\\X.ini");
}

TEST(DefaultIniPathTest, TrimsBlanksTabsAndCarriageReturns) {
    EXPECT_EQ(DefaultIniPath(" \t\rC:\\D\\X.exe \r\t"), "C:\\D\\X.ini");
    EXPECT_EQ(DefaultIniPath("C:\\D\\X \t"), "C:\\D\\X.ini");
    // A line feed is not among them: it stays part of the name.
    EXPECT_EQ(DefaultIniPath("X\n"), "X\n.ini");
}

TEST(ProgramPathTest, ProgramNameIsTheBaseName) {
    EXPECT_EQ(ProgramNameOf("C:\\Tools\\TKBctl.exe"), "TKBctl");
    EXPECT_EQ(ProgramNameOf("C:\\D.1\\tool"), "tool");
    EXPECT_EQ(ProgramNameOf("/usr/bin/a.b.c"), "a.b");
    EXPECT_EQ(ProgramIniPath("C:\\Work", "TKBctl"), std::string("C:\\Work") + kPathSeparator + "TKBctl.ini");
}

class CINIHandlerTest : public IniFolderTest {};

TEST_F(CINIHandlerTest, DefaultConstructorNamesTheFileAfterTheExecutable) {
    const std::string path = CINIHandler().Path();
    EXPECT_EQ(path, DefaultIniPath(ExecutableFileName()));
    EXPECT_TRUE(path.ends_with("ctl_tests.ini")) << path;
}

TEST_F(CINIHandlerTest, IntegersFollowTheLeadingDigits) {
    WriteFile("a.ini",
              "[S]\r\nDigits=12abc\r\nWord=abc\r\nNegative=-1\r\nBlank= \t 7\r\nHuge=99999999999\r\n"
              "Low=-99999999999\r\n");
    CINIHandler ini(PathOf("a.ini"));
    EXPECT_EQ(ini.GetInt("S", "Digits"), 12);
    EXPECT_EQ(ini.GetInt("S", "Missing"), 0);
    EXPECT_EQ(ini.GetInt("Missing", "Digits"), 0);
    EXPECT_EQ(ini.GetInt("S", "Word"), 0);
    EXPECT_EQ(ini.GetInt("S", "Negative"), -1);
    EXPECT_EQ(ini.GetInt("S", "Blank"), 7);
    // Out of range: the nearest 32-bit value rather than an undefined one.
    EXPECT_EQ(ini.GetInt("S", "Huge"), 2147483647);
    EXPECT_EQ(ini.GetInt("S", "Low"), -2147483647 - 1);
}

TEST_F(CINIHandlerTest, WritesCreateTheFileAndReadBack) {
    CINIHandler ini(PathOf("new.ini"));
    EXPECT_NE(ini.WriteInt("QDRawDLL", "FrameFormat", -3), 0);
    EXPECT_NE(ini.WriteFloat("QDRawDLL", "RGain", 2.5f), 0);
    EXPECT_NE(ini.WriteFloat("QDRawDLL", "GGain", 1.006f), 0);
    EXPECT_NE(ini.WriteString("QDRawDLL", "Name", "x y"), 0);
    EXPECT_EQ(ReadFile("new.ini"),
              "[QDRawDLL]\r\nFrameFormat=-3\r\nRGain=2.50\r\nGGain=1.01\r\nName=x y\r\n");
    EXPECT_EQ(ini.GetInt("QDRawDLL", "FrameFormat"), -3);
    EXPECT_EQ(ini.GetFloat("QDRawDLL", "RGain"), 2.5f);
    EXPECT_EQ(ini.GetFloat("QDRawDLL", "Name"), 0.0f);
    EXPECT_EQ(ini.GetFloat("QDRawDLL", "Missing"), 0.0f);
    char text[4];
    EXPECT_EQ(ini.GetString("QDRawDLL", "Name", text, sizeof text), 3u);
    EXPECT_STREQ(text, "x y");
    EXPECT_EQ(ini.GetString("QDRawDLL", "Missing", text, sizeof text), 0u);
    EXPECT_STREQ(text, "");
}

TEST_F(CINIHandlerTest, FloatsReadTheLeadingNumber) {
    WriteFile("f.ini", "[S]\r\nA=2.5\r\nB=-0.25x\r\nC=1e2\r\n");
    CINIHandler ini(PathOf("f.ini"));
    EXPECT_EQ(ini.GetFloat("S", "A"), 2.5f);
    EXPECT_EQ(ini.GetFloat("S", "B"), -0.25f);
    EXPECT_EQ(ini.GetFloat("S", "C"), 100.0f);
}

TEST_F(CINIHandlerTest, AWriteIntoAMissingFolderFails) {
    CINIHandler ini(PathOf("no/such/folder.ini"));
    EXPECT_EQ(ini.WriteString("S", "K", "v"), 0);
}

class CIniSectionTest : public IniFolderTest {};

TEST_F(CIniSectionTest, ReadsAndWritesItsSection) {
    WriteFile("p.ini",
              "[Other]\r\nKey=other\r\n[Prog]\r\nKey=mine\r\nLong=" + std::string(200, 'x') + "\r\n");
    const CIniSection section("Prog", PathOf("p.ini"));
    EXPECT_EQ(section.GetString("Key", "d"), "mine");
    EXPECT_EQ(section.GetString("Missing", "d"), "d");
    EXPECT_EQ(section.GetString("Long", ""), std::string(127, 'x'));
    EXPECT_EQ(section.GetInt("Missing", 1), 1);
    section.WriteInt("Restart", -12);
    section.WriteString("Key", "new");
    EXPECT_EQ(section.GetInt("Restart", 1), -12);
    EXPECT_EQ(ReadFile("p.ini"), "[Other]\r\nKey=other\r\n[Prog]\r\nKey=new\r\nLong=" +
                                     std::string(200, 'x') + "\r\nRestart=-12\r\n");
}

TEST_F(CIniSectionTest, ProgramIniFileFollowsTheWorkingDirectory) {
    EnterFolder();
    const CIniSection program = ProgramIniFile();
    const std::string name = ProgramNameOf(ExecutableFileName());
    EXPECT_EQ(program.Section(), name);
    EXPECT_EQ(program.Path(), ProgramIniPath(CurrentDirectory(), name));
    program.WriteString("SlaveAddress", "3C");
    EXPECT_EQ(ReadFile(name + ".ini"), "[" + name + "]\r\nSlaveAddress=3C\r\n");
}

}  // namespace
}  // namespace tkbctl::test
