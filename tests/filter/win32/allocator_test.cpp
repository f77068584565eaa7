// The layer's memory allocator: its properties, buffers, waits and the life of its samples.
#include "dshow/allocator.h"

#include <dshow.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "com_test_support.h"
#include "dshow/module_state.h"
#include "test_filters.h"

namespace qdflip::test {
namespace {
using dshow::CMemAllocator;

class Allocator : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        memory = CMemAllocator::Create();
        ASSERT_NE(memory, nullptr);
        allocator = memory;
    }
    void TearDown() override {
        if (allocator != nullptr) {
            EXPECT_EQ(allocator->Release(), 0u);
        }
        EXPECT_TRUE(dshow::ModuleCanUnload());
        ComTest::TearDown();
    }
    HRESULT Set(long buffers, long size, long align = 1, long prefix = 0) {
        ALLOCATOR_PROPERTIES request{buffers, size, align, prefix};
        ALLOCATOR_PROPERTIES actual{};
        return allocator->SetProperties(&request, &actual);
    }
    HRESULT Take(IMediaSample** sample, DWORD flags = AM_GBF_NOWAIT) {
        return allocator->GetBuffer(sample, nullptr, nullptr, flags);
    }
    static BYTE* Pointer(IMediaSample* sample) {
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        return data;
    }

    // Polls until `count` GetBuffer calls wait; false after five seconds.
    bool WaitForWaiters(long count) {
        for (int i = 0; i < 5000 && memory->WaitingCount() < count; ++i) {
            Sleep(1);
        }
        return memory->WaitingCount() == count;
    }

    CMemAllocator* memory = nullptr;
    IMemAllocator* allocator = nullptr;
};

TEST_F(Allocator, PropertiesAreCheckedThenGrantedAsAsked) {
    ALLOCATOR_PROPERTIES actual{};
    EXPECT_EQ(allocator->SetProperties(nullptr, &actual), E_POINTER);
    EXPECT_EQ(allocator->Commit(), VFW_E_BADALIGN);
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    for (long align : {0L, 3L, -4L, static_cast<long>(system.dwPageSize) * 2}) {
        EXPECT_EQ(Set(1, 100, align), VFW_E_BADALIGN) << align;
    }
    EXPECT_EQ(Set(-1, 100), E_INVALIDARG);
    EXPECT_EQ(Set(1, -100), E_INVALIDARG);
    EXPECT_EQ(Set(1, 100, 1, -1), E_INVALIDARG);

    ALLOCATOR_PROPERTIES request{3, 1000, 16, 8};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    EXPECT_EQ(std::memcmp(&actual, &request, sizeof(actual)), 0);
    ALLOCATOR_PROPERTIES kept{};
    EXPECT_EQ(allocator->GetProperties(&kept), S_OK);
    EXPECT_EQ(std::memcmp(&kept, &request, sizeof(kept)), 0);

    EXPECT_EQ(Set(1, 0), S_OK);
    EXPECT_EQ(allocator->Commit(), VFW_E_SIZENOTSET);
    EXPECT_EQ(Set(0, 100), S_OK);
    EXPECT_EQ(allocator->Commit(), VFW_E_BUFFER_NOTSET);
}

TEST_F(Allocator, BuffersAreAlignedPrefixedApartAndHandedOutUntilNoneIsFree) {
    constexpr long kSize = 1000, kAlign = 64, kPrefix = 10;
    ASSERT_EQ(Set(3, kSize, kAlign, kPrefix), S_OK);
    IMediaSample* sample = nullptr;
    EXPECT_EQ(Take(&sample), VFW_E_NOT_COMMITTED);
    EXPECT_EQ(sample, nullptr);
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample* samples[3] = {};
    for (IMediaSample*& taken : samples) {
        ASSERT_EQ(Take(&taken), S_OK);
        EXPECT_EQ(taken->GetSize(), kSize);
        EXPECT_EQ(taken->GetActualDataLength(), kSize);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(Pointer(taken)) % kAlign, 0u);
        // The prefix and the whole buffer are this sample's.
        std::memset(Pointer(taken) - kPrefix, 0x5A, kPrefix + kSize);
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = i + 1; j < 3; ++j) {
            const BYTE* low = std::min(Pointer(samples[i]), Pointer(samples[j]));
            const BYTE* high = std::max(Pointer(samples[i]), Pointer(samples[j]));
            EXPECT_GE(high - low, kSize + kPrefix);
        }
    }
    EXPECT_EQ(Take(&sample), VFW_E_TIMEOUT);
    // A buffer given back is the next one handed out.
    BYTE* returned = Pointer(samples[1]);
    EXPECT_EQ(samples[1]->Release(), 0u);
    ASSERT_EQ(Take(&sample), S_OK);
    EXPECT_EQ(Pointer(sample), returned);
    sample->Release();
    samples[0]->Release();
    samples[2]->Release();
    EXPECT_EQ(allocator->Decommit(), S_OK);
}

TEST_F(Allocator, PropertiesStayWhileCommittedOrWhileABufferIsOut) {
    ASSERT_EQ(Set(1, 100), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    EXPECT_EQ(allocator->Commit(), S_OK);
    EXPECT_EQ(Set(2, 200), VFW_E_ALREADY_COMMITTED);
    IMediaSample* sample = nullptr;
    ASSERT_EQ(Take(&sample), S_OK);
    EXPECT_EQ(allocator->Decommit(), S_OK);
    EXPECT_EQ(allocator->Decommit(), S_OK);
    EXPECT_EQ(Set(2, 200), VFW_E_BUFFERS_OUTSTANDING);
    sample->Release();
    EXPECT_EQ(Set(2, 200), S_OK);
}

TEST_F(Allocator, ASampleOutlivesDecommitAndTheAllocatorsLastReference) {
    ASSERT_EQ(Set(1, 4096), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample* sample = nullptr;
    ASSERT_EQ(Take(&sample), S_OK);
    BYTE* data = Pointer(sample);
    EXPECT_EQ(allocator->Decommit(), S_OK);
    IMediaSample* refused = nullptr;
    EXPECT_EQ(Take(&refused), VFW_E_NOT_COMMITTED);
    // Committed again before the sample is back: the same memory serves on.
    EXPECT_EQ(allocator->Commit(), S_OK);
    EXPECT_EQ(allocator->Decommit(), S_OK);
    EXPECT_EQ(Pointer(sample), data);

    // The sample holds the allocator: the last outside reference leaves it alive, the memory usable.
    EXPECT_EQ(allocator->Release(), 1u);
    allocator = nullptr;
    std::memset(data, 0xA5, 4096);
    EXPECT_FALSE(dshow::ModuleCanUnload());
    EXPECT_EQ(sample->Release(), 0u);
}

TEST_F(Allocator, AWaitingGetBufferGetsTheBufferGivenBack) {
    ASSERT_EQ(Set(1, 100), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample* held = nullptr;
    ASSERT_EQ(Take(&held), S_OK);
    BYTE* heldData = Pointer(held);
    IMediaSample* waited = nullptr;
    HRESULT result = E_FAIL;
    std::thread streaming([&] { result = Take(&waited, 0); });
    EXPECT_TRUE(WaitForWaiters(1));
    held->Release();
    streaming.join();
    ASSERT_EQ(result, S_OK);
    EXPECT_EQ(Pointer(waited), heldData);
    waited->Release();
    allocator->Decommit();
}

TEST_F(Allocator, DecommitFailsEveryWaitingGetBufferEvenWhenACommitFollows) {
    ASSERT_EQ(Set(1, 100), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample* held = nullptr;
    ASSERT_EQ(Take(&held), S_OK);
    HRESULT results[2] = {S_OK, S_OK};
    std::vector<std::thread> waiters;
    for (HRESULT& result : results) {
        waiters.emplace_back([&] {
            IMediaSample* sample = nullptr;
            result = Take(&sample, 0);
        });
    }
    EXPECT_TRUE(WaitForWaiters(2));
    EXPECT_EQ(allocator->Decommit(), S_OK);
    EXPECT_EQ(allocator->Commit(), S_OK);
    for (std::thread& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(results[0], VFW_E_NOT_COMMITTED);
    EXPECT_EQ(results[1], VFW_E_NOT_COMMITTED);
    held->Release();
    allocator->Decommit();
}

TEST_F(Allocator, SamplePropertiesAndTheirResetOnReturn) {
    ASSERT_EQ(Set(1, 100), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample* sample = nullptr;
    ASSERT_EQ(Take(&sample), S_OK);
    EXPECT_TRUE(HasInterface(sample, IID_IMediaSample));
    EXPECT_TRUE(HasInterface(sample, IID_IUnknown));

    REFERENCE_TIME start = 0, stop = 0;
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
    REFERENCE_TIME setStart = 100, setStop = 200;
    sample->SetTime(&setStart, nullptr);
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_S_NO_STOP_TIME);
    EXPECT_EQ(start, 100);
    EXPECT_EQ(stop, 101);
    sample->SetTime(&setStart, &setStop);
    EXPECT_EQ(sample->GetTime(&start, &stop), S_OK);
    EXPECT_EQ(stop, 200);
    // A stop time alone is no time.
    sample->SetTime(nullptr, &setStop);
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);

    LONGLONG mediaStart = 0, mediaStop = 0, setMediaStart = 7, setMediaStop = 9;
    EXPECT_EQ(sample->GetMediaTime(&mediaStart, &mediaStop), VFW_E_MEDIA_TIME_NOT_SET);
    sample->SetMediaTime(&setMediaStart, &setMediaStop);
    EXPECT_EQ(sample->GetMediaTime(&mediaStart, &mediaStop), S_OK);
    EXPECT_EQ(mediaStart, 7);
    EXPECT_EQ(mediaStop, 9);

    EXPECT_EQ(sample->IsSyncPoint(), S_FALSE);
    EXPECT_EQ(sample->IsPreroll(), S_FALSE);
    EXPECT_EQ(sample->IsDiscontinuity(), S_FALSE);
    sample->SetSyncPoint(TRUE);
    sample->SetPreroll(TRUE);
    sample->SetDiscontinuity(TRUE);
    EXPECT_EQ(sample->IsSyncPoint(), S_OK);
    EXPECT_EQ(sample->IsPreroll(), S_OK);
    EXPECT_EQ(sample->IsDiscontinuity(), S_OK);
    sample->SetPreroll(FALSE);
    EXPECT_EQ(sample->IsPreroll(), S_FALSE);
    EXPECT_EQ(sample->IsSyncPoint(), S_OK);

    EXPECT_EQ(sample->SetActualDataLength(101), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(sample->SetActualDataLength(-1), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(sample->GetActualDataLength(), 100);
    EXPECT_EQ(sample->SetActualDataLength(0), S_OK);
    EXPECT_EQ(sample->GetActualDataLength(), 0);

    AM_MEDIA_TYPE* type = nullptr;
    EXPECT_EQ(sample->GetMediaType(&type), S_FALSE);
    EXPECT_EQ(type, nullptr);
    AM_MEDIA_TYPE* set = NewVideoType(MEDIASUBTYPE_UYVY, 8, 2, 16, 32);
    EXPECT_EQ(sample->SetMediaType(set), S_OK);
    ASSERT_EQ(sample->GetMediaType(&type), S_OK);
    EXPECT_NE(type, set);
    EXPECT_NE(type->pbFormat, set->pbFormat);
    EXPECT_TRUE(IsEqualGUID(type->subtype, MEDIASUBTYPE_UYVY));
    ASSERT_EQ(type->cbFormat, set->cbFormat);
    EXPECT_EQ(std::memcmp(type->pbFormat, set->pbFormat, type->cbFormat), 0);
    FreeType(type);
    FreeType(set);

    // Given back and taken again, the sample has none of it.
    EXPECT_EQ(sample->Release(), 0u);
    ASSERT_EQ(Take(&sample), S_OK);
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
    EXPECT_EQ(sample->GetMediaTime(&mediaStart, &mediaStop), VFW_E_MEDIA_TIME_NOT_SET);
    EXPECT_EQ(sample->IsSyncPoint(), S_FALSE);
    EXPECT_EQ(sample->IsDiscontinuity(), S_FALSE);
    EXPECT_EQ(sample->GetActualDataLength(), 100);
    EXPECT_EQ(sample->GetMediaType(&type), S_FALSE);
    sample->SetMediaType(nullptr);
    sample->Release();
    allocator->Decommit();
}

TEST_F(Allocator, ReleaseBufferTakesNothingBack) {
    EXPECT_EQ(allocator->ReleaseBuffer(nullptr), E_POINTER);
    ASSERT_EQ(Set(1, 100), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample* sample = nullptr;
    ASSERT_EQ(Take(&sample), S_OK);
    EXPECT_EQ(allocator->ReleaseBuffer(sample), E_INVALIDARG);
    IMediaSample* second = nullptr;
    EXPECT_EQ(Take(&second), VFW_E_TIMEOUT);
    sample->Release();
    allocator->Decommit();
}

}  // namespace
}  // namespace qdflip::test
