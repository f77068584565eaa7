// A job on a thread of its own that tells a dialog when it has ended.
//
// When the job returns, its `done` command is posted to the target dialog (Dialog::PostCommand):
// if the dialog's window does not exist yet, the command waits for it; if the window has gone, the
// window is not touched. The object owns the thread: its destructor asks the job to stop (through
// the stop token) and waits for it, so a job never outlives the dialog that started it. Declare it
// after the target dialog among the owner's members, so it is destroyed first.
#pragma once

#include <functional>
#include <stop_token>
#include <thread>

#include "ui/dialog.h"

namespace ui {

class WorkerThread {
public:
    WorkerThread() = default;
    ~WorkerThread() { Stop(); }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Waits for the previous job, forgets what it posted for a window that has since gone, then
    // starts `job`. The dialog's thread calls it.
    void Start(Dialog& target, const Command& done, std::function<void(std::stop_token)> job);
    // Asks the job to stop and waits for it; nothing happens without a job.
    void Stop();
    // Waits for the job without asking it to stop.
    void Join();
    bool Joinable() const { return thread_.joinable(); }

private:
    std::jthread thread_;
};

}  // namespace ui
