#include "ui/worker_thread.h"

#include <utility>

namespace ui {

void WorkerThread::Start(Dialog& target, const Command& done, std::function<void(std::stop_token)> job) {
    Join();
    target.DiscardPending();
    thread_ = std::jthread([&target, done, job = std::move(job)](std::stop_token stop) {
        job(stop);
        target.PostCommand(done);
    });
}

void WorkerThread::Stop() {
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
}

void WorkerThread::Join() {
    if (thread_.joinable())
        thread_.join();
}

}  // namespace ui
