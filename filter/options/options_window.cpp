#include "options/options_window.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "dshow/module_state.h"
#include "ini/ini_handler.h"
#include "options/options_ids.h"

namespace qdflip {
namespace {
constexpr char kSection[] = "QDRawDLL";
// Sent to the window by a thread that may not destroy it itself.
constexpr UINT kDestroyRequest = WM_APP + 1;
// Longest gain text read back from an edit box, without its terminator.
constexpr int kGainTextLength = 255;

const char* const kFrameFormats[] = {"Thru", "Raw10/Gray", "Raw10/Color", "Raw12/Gray", "Raw12/Color"};
const char* const kBayerFormats[] = {"G/R/B/G", "G/B/R/G", "B/G/G/R", "R/G/G/B"};

struct GainControl {
    int id;
    const char* key;
    std::atomic<float> FilterSettings::*gain;
};
const GainControl kGains[] = {{IDC_RGAIN, "RGain", &FilterSettings::RGain},
                              {IDC_GGAIN, "GGain", &FilterSettings::GGain},
                              {IDC_BGAIN, "BGain", &FilterSettings::BGain}};

FilterSettings moduleSettings;
std::atomic<HWND> optionsWindow{nullptr};
// The host application's INI file, found again each time a window is created.
std::optional<tkbctl::CINIHandler> store;

template <size_t kCount>
void FillList(HWND dialog, int id, const char* const (&items)[kCount]) {
    for (const char* item : items) {
        SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
}

// An index outside the list selects nothing.
void SelectIndex(HWND dialog, int id, int32_t index) {
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Initialise(HWND dialog) {
    store.emplace();
    FillList(dialog, IDC_FRAME_FORMAT, kFrameFormats);
    FillList(dialog, IDC_BAYER_FORMAT, kBayerFormats);
    for (const GainControl& control : kGains) {
        const float stored = store->GetFloat(kSection, control.key);
        (moduleSettings.*control.gain).store(stored <= 0.0f ? 1.0f : stored);
    }
    // Each edit reports the change of its text, which stores the one-decimal value shown.
    for (const GainControl& control : kGains) {
        char text[64];
        std::snprintf(text, sizeof text, "%0.1f", static_cast<double>((moduleSettings.*control.gain).load()));
        SetDlgItemTextA(dialog, control.id, text);
    }
    moduleSettings.FrameFormat.store(store->GetInt(kSection, "FrameFormat"));
    SelectIndex(dialog, IDC_FRAME_FORMAT, moduleSettings.FrameFormat.load());
    moduleSettings.BayerFormat.store(store->GetInt(kSection, "BayerFormat"));
    SelectIndex(dialog, IDC_BAYER_FORMAT, moduleSettings.BayerFormat.load());
}

int32_t Selection(HWND dialog, int id) {
    return static_cast<int32_t>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

void GainChanged(HWND dialog, const GainControl& control) {
    char text[kGainTextLength + 1] = {};
    GetDlgItemTextA(dialog, control.id, text, sizeof text);
    const float gain = static_cast<float>(std::strtod(text, nullptr));
    (moduleSettings.*control.gain).store(gain);
    store->WriteFloat(kSection, control.key, gain);
}

void Command(HWND dialog, int id, int notification) {
    switch (id) {
        case IDC_FRAME_FORMAT:
            if (notification == CBN_SELCHANGE) {
                moduleSettings.FrameFormat.store(Selection(dialog, id));
                store->WriteInt(kSection, "FrameFormat", moduleSettings.FrameFormat.load());
            }
            return;
        case IDC_BAYER_FORMAT:
            if (notification == CBN_SELCHANGE) {
                moduleSettings.BayerFormat.store(Selection(dialog, id));
                store->WriteInt(kSection, "BayerFormat", moduleSettings.BayerFormat.load());
            }
            return;
        case IDC_FAST_MODE:
            moduleSettings.FastMode.store(IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0);
            return;
        default:
            break;
    }
    for (const GainControl& control : kGains) {
        if (control.id == id && notification == EN_CHANGE) {
            GainChanged(dialog, control);
        }
    }
}

INT_PTR CALLBACK OptionsProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            // Its procedure is in this module: the window keeps the module loaded while it lives.
            dshow::ObjectCreated();
            Initialise(dialog);
            return TRUE;
        case WM_COMMAND:
            // Every command is consumed, the cancel command (Esc, the close box) too: only the
            // application or a filter's end closes the window.
            Command(dialog, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case kDestroyRequest:
            DestroyWindow(dialog);
            return TRUE;
        case WM_NCDESTROY: {
            // Also when the window goes with its parent: the handle must not outlive it.
            HWND expected = dialog;
            optionsWindow.compare_exchange_strong(expected, nullptr);
            dshow::ObjectDestroyed();
            return FALSE;
        }
        default:
            return FALSE;
    }
}
}  // namespace

FilterSettings& ModuleSettings() {
    return moduleSettings;
}

int ShowOptionsWindow(HWND parent, int showCommand) {
    if (optionsWindow.load() == nullptr) {
        HWND window = CreateDialogParamA(dshow::ModuleInstance(), MAKEINTRESOURCEA(IDD_FILTER_OPTION), parent,
                                         OptionsProcedure, 0);
        if (window == nullptr) {
            const DWORD error = GetLastError();
            char text[64];
            std::snprintf(text, sizeof text, "Create Dialog Error (%08X)", static_cast<unsigned>(error));
            MessageBoxA(nullptr, text, "", MB_OK);
            return 0;
        }
        optionsWindow.store(window);
    }
    ShowWindow(optionsWindow.load(), showCommand);
    return 0;
}

void DestroyOptionsWindow() {
    HWND window = optionsWindow.exchange(nullptr);
    if (window == nullptr) {
        return;
    }
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        DestroyWindow(window);
    } else {
        PostMessageA(window, kDestroyRequest, 0, 0);
    }
}

}  // namespace qdflip
