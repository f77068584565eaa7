#include "ui/dialog.h"

#include <utility>

#include "ui/data_exchange.h"

namespace ui {

Dialog::~Dialog() {
    if (view_)
        view_->End(kIdCancel);
}

void Dialog::PostCommand(const Command& command) {
    std::lock_guard lock(postMutex_);
    if (post_)
        post_(command);
    else
        pending_.push_back(command);
}

void Dialog::DiscardPending() {
    std::lock_guard lock(postMutex_);
    pending_.clear();
}

void Dialog::Attach(DialogView& view) {
    view_ = &view;
}

bool Dialog::Initialize(std::function<void(const Command&)> post) {
    const bool result = OnInitDialog();
    std::lock_guard lock(postMutex_);
    post_ = std::move(post);
    for (const Command& command : pending_)
        post_(command);
    pending_.clear();
    return result;
}

void Dialog::Handle(const Command& command) {
    if (!view_)
        return;
    if (!Route(command))
        DefaultCommand(command);
}

void Dialog::Detach() {
    {
        std::lock_guard lock(postMutex_);
        post_ = nullptr;
        pending_.clear();
    }
    view_ = nullptr;
}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::DefaultCommand(const Command& command) {
    if (command.kind == CommandKind::Close) {
        Handle(Command::Control(kIdCancel));
    } else if (command == Command::Control(kIdOk)) {
        if (UpdateData(true))
            End(kIdOk);
    } else if (command == Command::Control(kIdCancel)) {
        End(kIdCancel);
    }
}

bool Dialog::UpdateData(bool saveAndValidate) {
    DataExchange exchange(*view_, saveAndValidate);
    DoDataExchange(exchange);
    return !exchange.Failed();
}

}  // namespace ui
