// What the filter's Windows tests share: COM for the test's thread, counted releases, media types.
#pragma once

#include <dshow.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <vector>

namespace qdflip::test {

// {5C694289-4CB3-4130-A239-E91BBF1F1ABE}, the filter's class.
inline constexpr CLSID kFilterClassId = {
    0x5C694289, 0x4CB3, 0x4130, {0xA2, 0x39, 0xE9, 0x1B, 0xBF, 0x1F, 0x1A, 0xBE}};

// COM on the test's thread for each test.
class ComTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
    void TearDown() override { CoUninitialize(); }
};

// The reference count an object is left with after one Release.
inline ULONG ReleaseCount(IUnknown* object) {
    return object->Release();
}

template <class Interface>
Interface* QueryOrNull(IUnknown* object, REFIID iid) {
    Interface* result = nullptr;
    object->QueryInterface(iid, reinterpret_cast<void**>(&result));
    return result;
}

// Whether `object` answers `iid`; the reference taken is given back.
inline bool HasInterface(IUnknown* object, REFIID iid) {
    IUnknown* result = QueryOrNull<IUnknown>(object, iid);
    if (result != nullptr) {
        result->Release();
    }
    return result != nullptr;
}

inline IPin* FindPin(IBaseFilter* filter, const wchar_t* id) {
    IPin* pin = nullptr;
    filter->FindPin(id, &pin);
    return pin;
}

// A UYVY frame of raw samples: every pixel a big-endian word of 12 significant bits, from a seed.
std::vector<uint8_t> RawFrame(int32_t width, int32_t height, uint32_t seed);

}  // namespace qdflip::test
