#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "test_dialog.h"
#include "ui/worker_thread.h"

namespace ui::test {
namespace {

// A progress window as the setting-file run uses it: no buttons, Enter ignored, and the worker's
// own "done" command ends it with a result of its own.
constexpr int kDone = 900;
class ProgressDialog : public DialogImpl<ProgressDialog> {
public:
    ProgressDialog() : DialogImpl(130, EnterKey::RoutesAsOk) {}
    static const CommandTable<ProgressDialog>& Commands() {
        static const auto table = CommandTable<ProgressDialog>()
                                      .OnClicked(kIdOk, &ProgressDialog::Ignore)
                                      .OnClicked(kDone, &ProgressDialog::OnDone);
        return table;
    }

private:
    void Ignore() {}
    void OnDone() { End(5); }
};

const TemplateDefinition kProgressTemplate{{1011, ControlKind::Static, "Static"}};

class WorkerThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        view_.Open();
        view_.DescribeChild(130, kProgressTemplate);
    }
    TestDialog main_;
    MemoryView view_{main_, TestTemplate()};
    ProgressDialog progress_;
    WorkerThread worker_;
};

TEST_F(WorkerThreadTest, ACloseRequestedBeforeTheWindowExistsIsNotLost) {
    worker_.Start(progress_, Command::Close(), [](std::stop_token) {});
    worker_.Join();  // the worker has ended before the window is created
    EXPECT_EQ(view_.RunModal(progress_), kIdCancel);
}

TEST_F(WorkerThreadTest, TheWorkerReadsTheMainDialogWhileTheProgressWindowRuns) {
    view_.SetText(kName, "3C");
    std::string seen;
    worker_.Start(progress_, Command::Control(kDone), [&](std::stop_token) { seen = view_.Text(kName); });
    EXPECT_EQ(view_.RunModal(progress_), 5);
    worker_.Join();
    EXPECT_EQ(seen, "3C");
}

TEST_F(WorkerThreadTest, WhatAWorkerPostsForAWindowThatHasGoneDoesNotEndTheNextOne) {
    // First run: the user presses Escape while the worker still works.
    std::promise<void> release;
    worker_.Start(progress_, Command::Close(),
                  [gate = release.get_future().share()](std::stop_token) { gate.wait(); });
    view_.DescribeChild(130, kProgressTemplate,
                        [](MemoryView& child) { child.PressEnter(), child.PressEscape(); });
    EXPECT_EQ(view_.RunModal(progress_), kIdCancel);
    release.set_value();  // its close request now finds no window

    // Second run: only its own worker's command may end it.
    view_.DescribeChild(130, kProgressTemplate);
    worker_.Start(progress_, Command::Control(kDone), [](std::stop_token) {});
    EXPECT_EQ(view_.RunModal(progress_), 5);
}

TEST_F(WorkerThreadTest, StoppingAsksTheJobToEndAndWaitsForIt) {
    std::atomic<bool> finished = false;
    worker_.Start(progress_, Command::Close(), [&](std::stop_token stop) {
        while (!stop.stop_requested())
            std::this_thread::yield();
        finished = true;
    });
    worker_.Stop();
    EXPECT_TRUE(finished);
    EXPECT_FALSE(worker_.Joinable());
}

TEST(PostCommandTest, CommandsFromManyThreadsArriveOnceEach) {
    TestDialog dialog;
    MemoryView view(dialog, TestTemplate());
    view.Open();
    dialog.calls.clear();
    std::vector<std::jthread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&dialog] {
            for (int i = 0; i < 250; ++i)
                dialog.PostCommand(Command::Control(kApply));
        });
    }
    threads.clear();
    EXPECT_EQ(view.DeliverPosted(), 1000);
    EXPECT_EQ(dialog.calls.size(), 1000u);
}

}  // namespace
}  // namespace ui::test
