// The options window as a capture application and its user meet it: created by ShowModelessDialog,
// loaded from and stored to the host's INI file, driven through its controls' notifications.
#include <dshow.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "com_test_support.h"
#include "filter_module.h"
#include "options_window_support.h"
#include "test_filters.h"

namespace qdflip::test {
namespace {

void WriteIni(const std::string& path, const char* key, const char* value) {
    WritePrivateProfileStringA("QDRawDLL", key, value, path.c_str());
}

class OptionsWindow : public ComTest {
protected:
    static void SetUpTestSuite() { LeaveWindowsUnmanaged(); }
    void SetUp() override {
        ComTest::SetUp();
        ASSERT_NE(FilterModule::Handle(), nullptr);
        show = FilterModule::Export<ShowModelessDialogFunction>("ShowModelessDialog");
        ASSERT_NE(show, nullptr);
        ini = OwnIniPath();
        DeleteFileA(ini.c_str());
    }
    void TearDown() override {
        CloseWindow();
        DeleteFileA(ini.c_str());
        ComTest::TearDown();
    }

    HWND Open(int showCommand = SW_SHOWNORMAL) {
        EXPECT_EQ(show(0, nullptr, showCommand), 0);
        return WaitForOptionsWindow(5000);
    }
    // A filter's end destroys the window.
    void CloseWindow() {
        IUnknown* filter = CreateFilterFromModule(IID_IBaseFilter);
        ASSERT_NE(filter, nullptr);
        EXPECT_EQ(filter->Release(), 0u);
        PumpMessages();
    }
    // One raw frame through a filter of the module between a test source and sink.
    std::vector<uint8_t> ThroughAFilter(const std::vector<uint8_t>& frame) {
        auto* filter = static_cast<IBaseFilter*>(CreateFilterFromModule(IID_IBaseFilter));
        TestFilter* source = TestFilter::NewSource(NewVideoType(MEDIASUBTYPE_UYVY, 16, 4, 16, frame.size()));
        TestFilter* sink = TestFilter::NewSink();
        IPin* input = FindPin(filter, L"XForm In");
        IPin* output = FindPin(filter, L"XForm Out");
        EXPECT_EQ(source->Pin().Connect(input, nullptr), S_OK);
        EXPECT_EQ(output->Connect(&sink->Pin(), nullptr), S_OK);
        sink->Run(0);
        filter->Run(0);
        source->Run(0);
        EXPECT_EQ(source->Deliver(frame.data(), frame.size(), {}), S_OK);
        std::vector<uint8_t> received =
            sink->samples.empty() ? std::vector<uint8_t>() : sink->samples[0].bytes;
        source->Stop();
        filter->Stop();
        sink->Stop();
        for (IPin* pin :
             {input, output, static_cast<IPin*>(&source->Pin()), static_cast<IPin*>(&sink->Pin())}) {
            pin->Disconnect();
        }
        input->Release();
        output->Release();
        EXPECT_EQ(source->Release(), 0u);
        EXPECT_EQ(sink->Release(), 0u);
        EXPECT_EQ(filter->Release(), 0u);
        return received;
    }

    ShowModelessDialogFunction show = nullptr;
    std::string ini;
};

// First in this program: nothing has loaded the settings yet.
TEST_F(OptionsWindow, AProcessThatNeverOpensItPassesFramesThrough) {
    WriteIni(ini, "FrameFormat", "1");
    const std::vector<uint8_t> frame = RawFrame(16, 4, 1);
    EXPECT_EQ(ThroughAFilter(frame), frame);
}

TEST_F(OptionsWindow, LoadsTheStoredKeysAndWritesTheGainsBackAsShown) {
    WriteIni(ini, "RGain", "1.26");
    WriteIni(ini, "GGain", "0");
    WriteIni(ini, "FrameFormat", "3");
    WriteIni(ini, "BayerFormat", "2");
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, kGainR), "1.3");
    EXPECT_EQ(ControlText(dialog, kGainG), "1.0");
    EXPECT_EQ(ControlText(dialog, kGainB), "1.0");
    EXPECT_EQ(IniValue(ini, "RGain"), "1.30");
    EXPECT_EQ(IniValue(ini, "GGain"), "1.00");
    EXPECT_EQ(IniValue(ini, "BGain"), "1.00");
    EXPECT_EQ(ListSelection(dialog, kModeList), 3);
    EXPECT_EQ(ListSelection(dialog, kBayerList), 2);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kFastModeBox), BST_UNCHECKED);
    char label[64] = {};
    GetWindowTextA(dialog, label, sizeof label);
    EXPECT_STREQ(label, "Filter Option");

    ChooseListItem(dialog, kModeList, 4);
    EXPECT_EQ(IniValue(ini, "FrameFormat"), "4");
    ChooseListItem(dialog, kBayerList, 0);
    EXPECT_EQ(IniValue(ini, "BayerFormat"), "0");
    TypeText(dialog, kGainB, "2.345");
    EXPECT_EQ(IniValue(ini, "BGain"), "2.35");
    // FastMode is applied but never stored.
    SendMessageA(GetDlgItem(dialog, kFastModeBox), BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kFastModeBox), BST_CHECKED);
    EXPECT_EQ(IniValue(ini, "FastMode"), "<none>");
}

TEST_F(OptionsWindow, TemplateLayoutAndStyles) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
    for (const DWORD bit : {DWORD{WS_POPUP}, DWORD{WS_CAPTION}, DWORD{WS_SYSMENU}, DWORD{DS_MODALFRAME}}) {
        EXPECT_EQ(style & bit, bit) << std::hex << bit;
    }
    RECT client{0, 0, 163, 116};
    MapDialogRect(dialog, &client);
    RECT actual{};
    GetClientRect(dialog, &actual);
    EXPECT_EQ(actual.right, client.right);
    EXPECT_EQ(actual.bottom, client.bottom);
    // Controls at their places in dialog units (x, y, width, height); the lists by their closed boxes'
    // left, top and width.
    const struct {
        int id;
        RECT units;
        bool checkHeight;
    } controls[] = {{kModeList, {78, 6, 150, 102}, false}, {kBayerList, {78, 24, 150, 120}, false},
                    {kGainR, {78, 42, 150, 54}, true},     {kGainG, {78, 60, 150, 72}, true},
                    {kGainB, {78, 78, 150, 90}, true},     {kFastModeBox, {6, 96, 108, 108}, true}};
    for (const auto& control : controls) {
        RECT wanted = control.units;
        MapDialogRect(dialog, &wanted);
        RECT placed{};
        GetWindowRect(GetDlgItem(dialog, control.id), &placed);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_EQ(placed.left, wanted.left) << control.id;
        EXPECT_EQ(placed.top, wanted.top) << control.id;
        EXPECT_EQ(placed.right, wanted.right) << control.id;
        if (control.checkHeight) {
            // Edit boxes may round their height their own way.
            EXPECT_NEAR(placed.bottom, wanted.bottom, 1) << control.id;
        }
    }
    const LONG listStyle = GetWindowLongA(GetDlgItem(dialog, kModeList), GWL_STYLE);
    EXPECT_EQ(listStyle & 3, CBS_DROPDOWNLIST);
    EXPECT_EQ(GetWindowLongA(GetDlgItem(dialog, kGainR), GWL_STYLE) & ES_AUTOHSCROLL, ES_AUTOHSCROLL);
    char texts[5][32] = {};
    for (int i = 0; i < 5; ++i) {
        SendDlgItemMessageA(dialog, kModeList, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(texts[i]));
    }
    EXPECT_STREQ(texts[0], "Thru");
    EXPECT_STREQ(texts[1], "Raw10/Gray");
    EXPECT_STREQ(texts[2], "Raw10/Color");
    EXPECT_STREQ(texts[3], "Raw12/Gray");
    EXPECT_STREQ(texts[4], "Raw12/Color");
    for (int i = 0; i < 4; ++i) {
        SendDlgItemMessageA(dialog, kBayerList, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(texts[i]));
    }
    EXPECT_STREQ(texts[0], "G/R/B/G");
    EXPECT_STREQ(texts[1], "G/B/R/G");
    EXPECT_STREQ(texts[2], "B/G/G/R");
    EXPECT_STREQ(texts[3], "R/G/G/B");
    EXPECT_EQ(SendDlgItemMessageA(dialog, kModeList, CB_GETCOUNT, 0, 0), 5);
    EXPECT_EQ(SendDlgItemMessageA(dialog, kBayerList, CB_GETCOUNT, 0, 0), 4);
}

TEST_F(OptionsWindow, AnUnknownStoredModeSelectsNothingAndPassesFramesThrough) {
    WriteIni(ini, "FrameFormat", "7");
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ListSelection(dialog, kModeList), CB_ERR);
    const std::vector<uint8_t> frame = RawFrame(16, 4, 2);
    EXPECT_EQ(ThroughAFilter(frame), frame);
}

TEST_F(OptionsWindow, TextThatIsNoNumberStoresZero) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    TypeText(dialog, kGainR, "abc");
    EXPECT_EQ(IniValue(ini, "RGain"), "0.00");
    TypeText(dialog, kGainG, "-0.5");
    EXPECT_EQ(IniValue(ini, "GGain"), "-0.50");
    // Stored as 0, the gain is loaded as 1.0 by the next window.
    CloseWindow();
    dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, kGainR), "1.0");
    EXPECT_EQ(ControlText(dialog, kGainG), "1.0");
}

TEST_F(OptionsWindow, EscapeAndTheCloseBoxLeaveItOpen) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    MSG escape{};
    escape.hwnd = GetDlgItem(dialog, kGainR);
    escape.message = WM_KEYDOWN;
    escape.wParam = VK_ESCAPE;
    IsDialogMessageA(dialog, &escape);
    SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    PumpMessages();
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(FindOptionsWindow(), dialog);
}

TEST_F(OptionsWindow, HidingAndShowingKeepTheSameWindowAndItsContents) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    TypeText(dialog, kGainG, "2.5");
    ChooseListItem(dialog, kModeList, 2);
    EXPECT_EQ(show(0, nullptr, SW_HIDE), 0);
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_EQ(show(0, nullptr, SW_SHOWNORMAL), 0);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(FindOptionsWindow(), dialog);
    EXPECT_EQ(ControlText(dialog, kGainG), "2.5");
    EXPECT_EQ(ListSelection(dialog, kModeList), 2);
}

TEST_F(OptionsWindow, AFiltersEndDestroysItAndTheNextCallMakesANewOne) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    ChooseListItem(dialog, kModeList, 1);
    // The window's procedure is in the module: it stays loaded while the window lives.
    EXPECT_EQ(FilterModule::Export<DllCanUnloadNowFunction>("DllCanUnloadNow")(), S_FALSE);
    CloseWindow();
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(FindOptionsWindow(), nullptr);
    EXPECT_EQ(FilterModule::Export<DllCanUnloadNowFunction>("DllCanUnloadNow")(), S_OK);
    // The new window loads the stored values again.
    WriteIni(ini, "FrameFormat", "3");
    dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ListSelection(dialog, kModeList), 3);
}

TEST_F(OptionsWindow, AFilterEndingOnAnotherThreadHasTheWindowsThreadDestroyIt) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    std::thread streaming([] {
        IUnknown* filter = CreateFilterFromModule(IID_IBaseFilter);
        ASSERT_NE(filter, nullptr);
        EXPECT_EQ(filter->Release(), 0u);
    });
    streaming.join();
    // The handle is gone at once, the window when its thread serves its messages.
    EXPECT_EQ(FilterModule::Export<DllCanUnloadNowFunction>("DllCanUnloadNow")(), S_FALSE);
    PumpMessages();
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(FilterModule::Export<DllCanUnloadNowFunction>("DllCanUnloadNow")(), S_OK);
    dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog));
}

TEST_F(OptionsWindow, GoneWithItsParentItIsMadeAgain) {
    HWND parent = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(show(0, parent, SW_SHOWNORMAL), 0);
    HWND dialog = WaitForOptionsWindow(5000);
    ASSERT_NE(dialog, nullptr);
    DestroyWindow(parent);
    EXPECT_FALSE(IsWindow(dialog));
    // The handle went with the window, so the next call creates one instead of showing nothing.
    dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog));
}

TEST_F(OptionsWindow, AFailedCreationSaysSoWithTheLastError) {
    std::string text;
    std::thread watcher([&] {
        const ULONGLONG end = GetTickCount64() + 10000;
        while (GetTickCount64() < end) {
            HWND box = FindWindowA("#32770", "");
            DWORD process = 0;
            if (box != nullptr && GetWindowThreadProcessId(box, &process) &&
                process == GetCurrentProcessId()) {
                char message[128] = {};
                // The box is listed while it is being made; its text comes with its controls.
                if (GetDlgItemTextA(box, 0xFFFF, message, sizeof message) > 0) {
                    text = message;
                    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                    return;
                }
            }
            Sleep(50);
        }
    });
    // A parent that is no window makes the creation fail.
    EXPECT_EQ(show(0, reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7FFF0000)), SW_SHOWNORMAL), 0);
    watcher.join();
    EXPECT_EQ(text, "Create Dialog Error (00000578)");
    EXPECT_EQ(FindOptionsWindow(), nullptr);
}

// The host application's INI file, for hosts started as their own processes.
class HostProgram : public ::testing::Test {
protected:
    static std::wstring HostFolder() { return FilterModule::Folder() + L"\\..\\qdflip-host"; }

    // Starts `program` with the module, waits for its options window; its process or none.
    void Start(const std::wstring& program) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring line = L"\"" + program + L"\" \"" + FilterModule::Path() + L"\"";
        ASSERT_TRUE(CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &process));
        const ULONGLONG end = GetTickCount64() + 20000;
        while (dialog == nullptr && GetTickCount64() < end) {
            EnumWindows(FindHostWindow, reinterpret_cast<LPARAM>(this));
            Sleep(50);
        }
    }
    // A lambda cannot become a 32-bit stdcall callback.
    static BOOL CALLBACK FindHostWindow(HWND window, LPARAM self) {
        auto* host = reinterpret_cast<HostProgram*>(self);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char caption[64] = {};
        GetWindowTextA(window, caption, sizeof caption);
        if (owner == host->process.dwProcessId && std::string(caption) == "Filter Option") {
            host->dialog = window;
            return FALSE;
        }
        return TRUE;
    }

    void TearDown() override {
        if (process.hProcess != nullptr) {
            PostThreadMessageW(process.dwThreadId, WM_QUIT, 0, 0);
            if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
                TerminateProcess(process.hProcess, 1);
            }
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }

    void ExpectStoredBeside(const std::string& iniPath) {
        ASSERT_NE(dialog, nullptr);
        // The window is listed while it initialises: wait for its write-back.
        const ULONGLONG end = GetTickCount64() + 10000;
        while (IniValue(iniPath, "BGain") == "<none>" && GetTickCount64() < end) {
            Sleep(50);
        }
        EXPECT_EQ(IniValue(iniPath, "RGain"), "1.00");
        ChooseListItem(dialog, kModeList, 2);
        EXPECT_EQ(IniValue(iniPath, "FrameFormat"), "2");
    }

    PROCESS_INFORMATION process{};
    HWND dialog = nullptr;
};

std::string Narrow(const std::wstring& text) {
    char buffer[MAX_PATH * 2] = {};
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buffer, sizeof buffer, nullptr, nullptr);
    return buffer;
}

TEST_F(HostProgram, CaptureExeStoresInCaptureIniBesideIt) {
    const std::wstring folder = HostFolder();
    DeleteFileW((folder + L"\\capture.ini").c_str());
    Start(folder + L"\\capture.exe");
    ExpectStoredBeside(Narrow(folder + L"\\capture.ini"));
    DeleteFileW((folder + L"\\capture.ini").c_str());
}

TEST_F(HostProgram, AHostWithoutExtensionStoresInItsNamePlusIni) {
    const std::wstring folder = HostFolder();
    ASSERT_TRUE(CopyFileW((folder + L"\\capture.exe").c_str(), (folder + L"\\tool").c_str(), FALSE));
    DeleteFileW((folder + L"\\tool.ini").c_str());
    Start(folder + L"\\tool");
    ExpectStoredBeside(Narrow(folder + L"\\tool.ini"));
    DeleteFileW((folder + L"\\tool.ini").c_str());
}

}  // namespace
}  // namespace qdflip::test
