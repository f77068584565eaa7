// QDFlipDLL.ax as a COM server: its exports and version, registration with regsvr32 and directly,
// creation through the registry and through its class factory, aggregation and unloading.
#include <dshow.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "com_test_support.h"
#include "filter_module.h"

namespace qdflip::test {
namespace {

// The filter data the mapper stores: a header (version, merit, pin count, unused), then per pin its
// record (signature, flags, instances, media type count, medium count, category flag [, category])
// followed by its media type records (signature, unused, offsets of the major and minor type GUIDs).
struct StoredPin {
    DWORD flags = 0;
    std::vector<std::pair<GUID, GUID>> types;
};
struct StoredFilter {
    DWORD version = 0;
    DWORD merit = 0;
    std::vector<StoredPin> pins;
};

bool ParseFilterData(const std::vector<BYTE>& data, StoredFilter& filter) {
    const auto word = [&](size_t offset, DWORD& value) {
        if (offset + 4 > data.size()) {
            return false;
        }
        std::memcpy(&value, data.data() + offset, 4);
        return true;
    };
    const auto guid = [&](DWORD offset, GUID& value) {
        if (offset + sizeof(GUID) > data.size()) {
            return false;
        }
        std::memcpy(&value, data.data() + offset, sizeof(GUID));
        return true;
    };
    DWORD pinCount = 0;
    if (!word(0, filter.version) || !word(4, filter.merit) || !word(8, pinCount) || pinCount > 16) {
        return false;
    }
    size_t offset = 16;
    for (DWORD pin = 0; pin < pinCount; ++pin) {
        StoredPin stored;
        DWORD typeCount = 0, mediumCount = 0, hasCategory = 0;
        if (!word(offset + 4, stored.flags) || !word(offset + 12, typeCount) ||
            !word(offset + 16, mediumCount) || !word(offset + 20, hasCategory) || typeCount > 16) {
            return false;
        }
        offset += 24 + (hasCategory != 0 ? 4 : 0);
        for (DWORD type = 0; type < typeCount; ++type, offset += 16) {
            DWORD major = 0, minor = 0;
            GUID majorType{}, minorType{};
            if (!word(offset + 8, major) || !word(offset + 12, minor) || !guid(major, majorType) ||
                !guid(minor, minorType)) {
                return false;
            }
            stored.types.emplace_back(majorType, minorType);
        }
        offset += 4 * mediumCount;
        filter.pins.push_back(stored);
    }
    return true;
}

const wchar_t kClassKey[] = L"CLSID\\{5C694289-4CB3-4130-A239-E91BBF1F1ABE}";
const wchar_t kFilterKey[] =
    L"CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\{5C694289-4CB3-4130-A239-E91BBF1F1ABE}";

// A string value of a key under HKEY_CLASSES_ROOT, or "<none>".
std::wstring RegistryString(const wchar_t* key, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return L"<none>";
    }
    return value;
}

bool KeyExists(const wchar_t* key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(handle);
    return true;
}

std::vector<BYTE> FilterData() {
    std::vector<BYTE> data(4096);
    DWORD size = static_cast<DWORD>(data.size());
    if (RegGetValueW(HKEY_CLASSES_ROOT, kFilterKey, L"FilterData", RRF_RT_REG_BINARY, nullptr, data.data(),
                     &size) != ERROR_SUCCESS) {
        return {};
    }
    data.resize(size);
    return data;
}

// Whether IFilterMapper2 lists the filter among those of at least `merit`.
bool MapperListsFilter(DWORD merit) {
    IFilterMapper2* mapper = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                               reinterpret_cast<void**>(&mapper)),
              S_OK);
    IEnumMoniker* monikers = nullptr;
    bool found = false;
    if (SUCCEEDED(mapper->EnumMatchingFilters(&monikers, 0, FALSE, merit, FALSE, 0, nullptr, nullptr, nullptr,
                                              FALSE, FALSE, 0, nullptr, nullptr, nullptr))) {
        IMoniker* moniker = nullptr;
        while (!found && monikers->Next(1, &moniker, nullptr) == S_OK) {
            IPropertyBag* bag = nullptr;
            if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                                 reinterpret_cast<void**>(&bag)))) {
                VARIANT value;
                VariantInit(&value);
                if (SUCCEEDED(bag->Read(L"CLSID", &value, nullptr)) && value.vt == VT_BSTR) {
                    found = lstrcmpiW(value.bstrVal, L"{5C694289-4CB3-4130-A239-E91BBF1F1ABE}") == 0;
                }
                VariantClear(&value);
                bag->Release();
            }
            moniker->Release();
        }
        monikers->Release();
    }
    mapper->Release();
    return found;
}

class Registration : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        ASSERT_NE(FilterModule::Handle(), nullptr);
        registerServer = FilterModule::Export<DllRegisterServerFunction>("DllRegisterServer");
        unregisterServer = FilterModule::Export<DllRegisterServerFunction>("DllUnregisterServer");
        ASSERT_NE(registerServer, nullptr);
        ASSERT_NE(unregisterServer, nullptr);
    }
    void TearDown() override {
        unregisterServer();
        ComTest::TearDown();
    }

    void ExpectRegistered() {
        EXPECT_EQ(RegistryString(kClassKey, nullptr), L"QDBinarizationFilter");
        const std::wstring server =
            RegistryString((std::wstring(kClassKey) + L"\\InprocServer32").c_str(), nullptr);
        EXPECT_EQ(lstrcmpiW(server.c_str(), FilterModule::Path().c_str()), 0) << server;
        EXPECT_EQ(RegistryString((std::wstring(kClassKey) + L"\\InprocServer32").c_str(), L"ThreadingModel"),
                  L"Both");
        EXPECT_EQ(RegistryString(kFilterKey, L"FriendlyName"), L"QDBinarizationFilter");
        EXPECT_EQ(RegistryString(kFilterKey, L"CLSID"), L"{5C694289-4CB3-4130-A239-E91BBF1F1ABE}");
        EXPECT_TRUE(MapperListsFilter(0x00200000));
        EXPECT_FALSE(MapperListsFilter(0x00200001));
        ExpectFilterData();
    }

    void ExpectFilterData() {
        StoredFilter filter;
        ASSERT_TRUE(ParseFilterData(FilterData(), filter));
        EXPECT_EQ(filter.version, 2u);
        EXPECT_EQ(filter.merit, 0x00200000u);
        ASSERT_EQ(filter.pins.size(), 2u);
        for (size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(filter.pins[i].flags, i == 0 ? 0u : static_cast<DWORD>(REG_PINFLAG_B_OUTPUT)) << i;
            ASSERT_EQ(filter.pins[i].types.size(), 1u);
            EXPECT_TRUE(IsEqualGUID(filter.pins[i].types[0].first, GUID_NULL));
            EXPECT_TRUE(IsEqualGUID(filter.pins[i].types[0].second, GUID_NULL));
        }
    }

    void ExpectUnregistered() {
        EXPECT_FALSE(KeyExists(kClassKey));
        EXPECT_FALSE(KeyExists(kFilterKey));
        EXPECT_FALSE(MapperListsFilter(0));
    }

    DllRegisterServerFunction registerServer = nullptr;
    DllRegisterServerFunction unregisterServer = nullptr;
};

TEST_F(Registration, Regsvr32RegistersAndRemovesBoth) {
    const std::wstring quoted = L"\"" + FilterModule::Path() + L"\"";
    ASSERT_EQ(RunProgram(L"regsvr32.exe /s " + quoted), 0);
    ExpectRegistered();
    ASSERT_EQ(RunProgram(L"regsvr32.exe /s /u " + quoted), 0);
    ExpectUnregistered();
}

TEST_F(Registration, DirectCallsAndARepeatAreHarmless) {
    ExpectUnregistered();
    EXPECT_EQ(unregisterServer(), S_OK);
    ASSERT_EQ(registerServer(), S_OK);
    ASSERT_EQ(registerServer(), S_OK);
    ExpectRegistered();
    EXPECT_EQ(unregisterServer(), S_OK);
    ExpectUnregistered();
    EXPECT_EQ(unregisterServer(), S_OK);
}

TEST_F(Registration, CreatedThroughTheRegistry) {
    ASSERT_EQ(registerServer(), S_OK);
    IBaseFilter* filter = nullptr;
    ASSERT_EQ(CoCreateInstance(kFilterClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               reinterpret_cast<void**>(&filter)),
              S_OK);
    CLSID classId{};
    EXPECT_EQ(filter->GetClassID(&classId), S_OK);
    EXPECT_TRUE(IsEqualCLSID(classId, kFilterClassId));
    // The same module as the one loaded by path: its objects count for it.
    EXPECT_EQ(FilterModule::Export<DllCanUnloadNowFunction>("DllCanUnloadNow")(), S_FALSE);
    EXPECT_EQ(filter->Release(), 0u);
}

// An object that aggregates the filter and records what reaches it.
class Outer : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        ++queries;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }

    ULONG references = 1;
    int queries = 0;
};

class Creation : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        getClassObject = FilterModule::Export<DllGetClassObjectFunction>("DllGetClassObject");
        canUnloadNow = FilterModule::Export<DllCanUnloadNowFunction>("DllCanUnloadNow");
        ASSERT_NE(getClassObject, nullptr);
        ASSERT_NE(canUnloadNow, nullptr);
    }

    DllGetClassObjectFunction getClassObject = nullptr;
    DllCanUnloadNowFunction canUnloadNow = nullptr;
};

TEST_F(Creation, ClassObjectForItsClassAndTwoInterfacesOnly) {
    const CLSID otherClass = {0x5C694289, 0x4CB3, 0x4130, {0xA2, 0x39, 0xE9, 0x1B, 0xBF, 0x1F, 0x1A, 0xBF}};
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(otherClass, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(getClassObject(kFilterClassId, IID_IBaseFilter, &object), E_NOINTERFACE);
    EXPECT_EQ(getClassObject(kFilterClassId, IID_IClassFactory, nullptr), E_POINTER);
    for (const IID* iid : {&IID_IUnknown, &IID_IClassFactory}) {
        IUnknown* factory = nullptr;
        ASSERT_EQ(getClassObject(kFilterClassId, *iid, reinterpret_cast<void**>(&factory)), S_OK);
        EXPECT_TRUE(HasInterface(factory, IID_IClassFactory));
        EXPECT_FALSE(HasInterface(factory, IID_IBaseFilter));
        EXPECT_EQ(factory->Release(), 0u);
    }
}

TEST_F(Creation, UnloadOnlyWithoutObjectsOrLocks) {
    EXPECT_EQ(canUnloadNow(), S_OK);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(kFilterClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    IBaseFilter* filter = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter)), S_OK);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    // The filter's enumerators count as objects of the module too.
    IEnumPins* pins = nullptr;
    ASSERT_EQ(filter->EnumPins(&pins), S_OK);
    EXPECT_EQ(filter->Release(), 1u);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    EXPECT_EQ(pins->Release(), 0u);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    ASSERT_EQ(getClassObject(kFilterClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(Creation, AggregatedTheFilterAnswersThroughItsOuterObject) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(kFilterClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    Outer outer;
    IUnknown* inner = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IBaseFilter, reinterpret_cast<void**>(&inner)),
              E_NOINTERFACE);
    EXPECT_EQ(inner, nullptr);
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_NE(inner, static_cast<IUnknown*>(&outer));
    EXPECT_EQ(outer.references, 1u);

    // The inner unknown gives itself for IUnknown and the filter for IBaseFilter, counting on itself.
    IUnknown* again = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)), S_OK);
    EXPECT_EQ(again, inner);
    EXPECT_EQ(again->Release(), 1u);
    IBaseFilter* filter = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter)), S_OK);
    // That reference is the outer object's.
    EXPECT_EQ(outer.references, 2u);
    // The filter's own interfaces ask the outer object.
    const int queriesBefore = outer.queries;
    IUnknown* outerSeen = nullptr;
    ASSERT_EQ(filter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&outerSeen)), S_OK);
    EXPECT_EQ(outerSeen, static_cast<IUnknown*>(&outer));
    EXPECT_EQ(outer.queries, queriesBefore + 1);
    outerSeen->Release();
    IMediaFilter* mediaFilter = nullptr;
    EXPECT_EQ(filter->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&mediaFilter)),
              E_NOINTERFACE);
    filter->Release();
    EXPECT_EQ(outer.references, 1u);
    EXPECT_EQ(inner->Release(), 0u);
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST(Module, ExportsAndVersionResource) {
    ASSERT_NE(FilterModule::Handle(), nullptr);
    for (const char* name : {"DllRegisterServer", "DllUnregisterServer", "DllGetClassObject",
                             "DllCanUnloadNow", "ShowModelessDialog"}) {
        EXPECT_NE(GetProcAddress(FilterModule::Handle(), name), nullptr) << name;
    }
    const std::wstring path = FilterModule::Path();
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &unused);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    const auto text = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\041104b0\\") + name;
        if (!VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) {
            return std::wstring(L"<none>");
        }
        return std::wstring(value);
    };
    EXPECT_EQ(text(L"FileDescription"), L"Direct Show Filter");
    EXPECT_EQ(text(L"InternalName"), L"QDFlipDLL.dll");
    EXPECT_EQ(text(L"OriginalFilename"), L"QDFlipDLL.dll");
    EXPECT_EQ(text(L"ProductName"), L"QDCap");
    EXPECT_EQ(text(L"FileVersion"), L"1.0.0.1");
}

}  // namespace
}  // namespace qdflip::test
