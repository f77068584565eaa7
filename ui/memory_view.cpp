#include "ui/memory_view.h"

#include <algorithm>
#include <stdexcept>

#include "ui/file_filter.h"

namespace ui {

namespace {

bool IsEdit(ControlKind kind) {
    return kind == ControlKind::Edit || kind == ControlKind::MultiLineEdit;
}
bool IsList(ControlKind kind) {
    return kind == ControlKind::ComboBox || kind == ControlKind::ListBox;
}
bool HasOwnText(ControlKind kind) {
    return !IsList(kind);
}
bool IsMultiLineEdit(ControlKind kind) {
    return kind == ControlKind::MultiLineEdit;
}
bool IsCheckable(ControlKind kind) {
    return kind == ControlKind::CheckBox || kind == ControlKind::RadioButton;
}

Answer FirstButton(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
        case MessageButtons::OkCancel:
            return Answer::Ok;
        case MessageButtons::YesNo:
        case MessageButtons::YesNoCancel:
            return Answer::Yes;
        case MessageButtons::RetryCancel:
            return Answer::Retry;
        case MessageButtons::AbortRetryIgnore:
            return Answer::Abort;
    }
    return Answer::Ok;
}

}  // namespace

MemoryView::MemoryView(Dialog& dialog, const TemplateDefinition& controls, Options options)
    : MemoryView(dialog, controls, std::make_shared<Journal>()) {
    journal_->options = std::move(options);
}

MemoryView::MemoryView(Dialog& dialog, const TemplateDefinition& controls, std::shared_ptr<Journal> journal)
    : dialog_(dialog), journal_(std::move(journal)) {
    for (const ControlDefinition& definition : controls) {
        if (!controls_.emplace(definition.id, Control{.definition = definition, .text = definition.text})
                 .second)
            throw std::logic_error("control " + std::to_string(definition.id) + " is declared twice");
    }
}

MemoryView::~MemoryView() {
    modeless_.clear();
    if (attached_)
        dialog_.Detach();
}

bool MemoryView::Open() {
    open_ = true;
    attached_ = true;
    dialog_.Attach(*this);
    return dialog_.Initialize([this](const Command& command) { Post(command); });
}

MemoryView::Control& MemoryView::Find(int id) {
    const auto found = controls_.find(id);
    if (found == controls_.end())
        throw std::out_of_range("the template has no control " + std::to_string(id));
    return found->second;
}

MemoryView::Control& MemoryView::Find(int id, bool (*isKind)(ControlKind), const char* what) {
    Control& control = Find(id);
    if (!isKind(control.definition.kind))
        throw std::logic_error("control " + std::to_string(id) + " is not " + what);
    return control;
}

bool MemoryView::CanAct(int id) {
    std::lock_guard lock(mutex_);
    const Control& control = Find(id);
    return open_ && !ended_ && control.definition.visible && control.definition.enabled;
}

void MemoryView::Route(const Command& command) {
    if (open_ && !ended_)
        dialog_.Handle(command);
}

void MemoryView::Post(const Command& command) {
    {
        std::lock_guard lock(postedMutex_);
        posted_.push_back(command);
    }
    postedChanged_.notify_all();
}

bool MemoryView::TypeText(int id, const std::string& text) {
    if (!CanAct(id))
        return false;
    {
        std::lock_guard lock(mutex_);
        Find(id, IsEdit, "an edit");
    }
    SetText(id, text);
    return true;
}

bool MemoryView::Click(int id) {
    if (!CanAct(id))
        return false;
    {
        std::lock_guard lock(mutex_);
        Control& control = Find(id);
        if (control.definition.kind == ControlKind::CheckBox) {
            control.checked = control.checked == 1 ? 0 : 1;
        } else if (control.definition.kind == ControlKind::RadioButton) {
            for (auto& [otherId, other] : controls_) {
                if (other.definition.kind == ControlKind::RadioButton &&
                    other.definition.radioGroup == control.definition.radioGroup)
                    other.checked = 0;
            }
            control.checked = 1;
        }
    }
    Route(Command::Control(id, kClicked));
    return true;
}

bool MemoryView::ChooseItem(int id, int index) {
    if (!CanAct(id))
        return false;
    {
        std::lock_guard lock(mutex_);
        Control& control = Find(id, IsList, "a list");
        if (index < 0 || index >= static_cast<int>(control.items.size()))
            return false;
        control.selection = index;
    }
    Route(Command::Control(id, kSelectionChanged));
    return true;
}

bool MemoryView::PressEnter() {
    if (!open_ || ended_)
        return false;
    if (dialog_.EnterKeyRule() == EnterKey::ClicksDefaultButton) {
        std::optional<int> defaultButton;
        {
            std::lock_guard lock(mutex_);
            for (const auto& [id, control] : controls_) {
                if (control.definition.kind == ControlKind::DefaultPushButton)
                    defaultButton = id;
            }
        }
        // The dialog manager clicks the default button only while it is enabled.
        if (defaultButton) {
            if (CanAct(*defaultButton))
                Route(Command::Control(*defaultButton));
            return true;
        }
    }
    Route(Command::Control(kIdOk));
    return true;
}

bool MemoryView::PressEscape() {
    if (!open_ || ended_)
        return false;
    Route(Command::Control(kIdCancel));
    return true;
}

bool MemoryView::CloseWindow() {
    if (!open_ || ended_)
        return false;
    Route(Command::Close());
    return true;
}

bool MemoryView::TickTimer(int timerId) {
    if (!open_ || ended_ || !timers_.contains(timerId))
        return false;
    Route(Command::Timer(timerId));
    return true;
}

int MemoryView::DeliverPosted() {
    int delivered = 0;
    for (;;) {
        Command command;
        {
            std::lock_guard lock(postedMutex_);
            if (posted_.empty())
                break;
            command = posted_.front();
            posted_.pop_front();
        }
        Route(command);
        ++delivered;
    }
    for (auto& [templateId, child] : modeless_)
        delivered += child->DeliverPosted();
    return delivered;
}

bool MemoryView::WaitForPosted(std::chrono::milliseconds timeout) {
    std::unique_lock lock(postedMutex_);
    return postedChanged_.wait_for(lock, timeout, [this] { return !posted_.empty(); });
}

void MemoryView::AnswerNextMessage(Answer answer) {
    journal_->answers.push_back(answer);
}

void MemoryView::AnswerNextFileDialog(std::optional<std::string> path) {
    journal_->files.push_back(std::move(path));
}

void MemoryView::DescribeChild(int templateId, const TemplateDefinition& controls,
                               std::function<void(MemoryView&)> action) {
    journal_->children[templateId] = {controls, std::move(action)};
}

MemoryView* MemoryView::ModelessChild(int templateId) {
    const auto found = modeless_.find(templateId);
    if (found == modeless_.end())
        return nullptr;
    if (found->second->ended_) {
        modeless_.erase(found);
        return nullptr;
    }
    return found->second.get();
}

std::optional<unsigned> MemoryView::TimerPeriod(int timerId) const {
    const auto found = timers_.find(timerId);
    if (found == timers_.end())
        return std::nullopt;
    return found->second;
}

int MemoryView::FirstVisibleLine(int id) {
    std::lock_guard lock(mutex_);
    return Find(id).firstVisibleLine;
}

std::string MemoryView::Text(int id) {
    std::lock_guard lock(mutex_);
    const Control& control = Find(id);
    // A drop-down list's window text is its selected item.
    if (IsList(control.definition.kind))
        return control.selection >= 0 ? control.items[control.selection] : std::string();
    return control.text;
}

void MemoryView::SetText(int id, const std::string& text) {
    bool edit = false;
    {
        std::lock_guard lock(mutex_);
        Control& control = Find(id, HasOwnText, "a control with a text of its own");
        control.text = text;
        edit = IsEdit(control.definition.kind);
    }
    // An edit notifies a change of its text however it came, as the Win32 edit control does.
    if (edit)
        Route(Command::Control(id, kEditChanged));
}

int MemoryView::LineCount(int id) {
    std::lock_guard lock(mutex_);
    const Control& control = Find(id, IsEdit, "an edit");
    // As the edit counts them: the empty line after a final line break is a line too.
    return 1 + static_cast<int>(std::count(control.text.begin(), control.text.end(), '\n'));
}

void MemoryView::ScrollLines(int id, int lines) {
    const int count = LineCount(id);
    std::lock_guard lock(mutex_);
    Control& control = Find(id, IsMultiLineEdit, "a multi-line edit");
    control.firstVisibleLine = std::clamp(control.firstVisibleLine + lines, 0, count - 1);
}

int MemoryView::Checked(int id) {
    std::lock_guard lock(mutex_);
    const Control& control = Find(id, IsCheckable, "a check box or radio button");
    return control.checked;
}

void MemoryView::SetChecked(int id, int state) {
    std::lock_guard lock(mutex_);
    Control& control = Find(id, IsCheckable, "a check box or radio button");
    if (state < 0 || state > 2)
        throw std::invalid_argument("check state " + std::to_string(state));
    control.checked = state;
}

void MemoryView::ClearItems(int id) {
    std::lock_guard lock(mutex_);
    Control& control = Find(id, IsList, "a list");
    control.items.clear();
    control.selection = -1;
}

void MemoryView::AddItem(int id, const std::string& text) {
    std::lock_guard lock(mutex_);
    Control& control = Find(id, IsList, "a list");
    control.items.push_back(text);
}

int MemoryView::ItemCount(int id) {
    std::lock_guard lock(mutex_);
    Control& control = Find(id, IsList, "a list");
    return static_cast<int>(control.items.size());
}

std::string MemoryView::ItemText(int id, int index) {
    std::lock_guard lock(mutex_);
    Control& control = Find(id, IsList, "a list");
    return control.items.at(static_cast<size_t>(index));
}

int MemoryView::Selection(int id) {
    std::lock_guard lock(mutex_);
    Control& control = Find(id, IsList, "a list");
    return control.selection;
}

void MemoryView::Select(int id, int index) {
    std::lock_guard lock(mutex_);
    Control& control = Find(id, IsList, "a list");
    control.selection = index >= 0 && index < static_cast<int>(control.items.size()) ? index : -1;
}

bool MemoryView::IsEnabled(int id) {
    std::lock_guard lock(mutex_);
    return Find(id).definition.enabled;
}

void MemoryView::Enable(int id, bool enabled) {
    std::lock_guard lock(mutex_);
    Find(id).definition.enabled = enabled;
}

bool MemoryView::IsVisible(int id) {
    std::lock_guard lock(mutex_);
    return Find(id).definition.visible;
}

void MemoryView::Show(int id, bool visible) {
    std::lock_guard lock(mutex_);
    Find(id).definition.visible = visible;
}

void MemoryView::Focus(int id) {
    std::lock_guard lock(mutex_);
    Find(id);
    focused_ = id;
}

void MemoryView::End(int result) {
    if (ended_)
        return;
    ended_ = true;
    result_ = result;
    // A modeless window is destroyed at once, and its dialog unbound with it.
    if (modeless_child_ && attached_) {
        attached_ = false;
        dialog_.Detach();
    }
}

Answer MemoryView::ShowMessage(const Message& message) {
    const Options& options = journal_->options;
    ShownMessage shown;
    shown.message = message;
    if (const int* id = std::get_if<int>(&message.body)) {
        shown.text = LoadText(*id).value_or(std::string());
    } else {
        shown.text = std::get<std::string>(message.body);
    }
    shown.caption = message.caption.value_or(options.programName);
    shown.ownerTemplate = dialog_.TemplateId();
    if (journal_->answers.empty()) {
        shown.answer = FirstButton(message.buttons);
    } else {
        shown.answer = journal_->answers.front();
        journal_->answers.pop_front();
    }
    journal_->messages.push_back(shown);
    return shown.answer;
}

std::optional<std::string> MemoryView::LoadText(int stringId) {
    const StringTable& strings = journal_->options.strings;
    const bool japanese = journal_->options.language == Language::Japanese;
    for (const auto* table :
         {japanese ? &strings.japanese : &strings.english, japanese ? &strings.english : &strings.japanese}) {
        if (const auto found = table->find(stringId); found != table->end())
            return found->second;
    }
    return std::nullopt;
}

std::optional<std::string> MemoryView::OpenFile(const FileDialogOptions& options) {
    // A broken filter fails here as it would on the real dialog.
    ParseFileFilter(options.filter);
    journal_->fileDialogs.push_back(options);
    if (journal_->files.empty())
        return std::nullopt;
    std::optional<std::string> path = std::move(journal_->files.front());
    journal_->files.pop_front();
    return path;
}

void MemoryView::SetTimer(int timerId, unsigned milliseconds) {
    timers_[timerId] = milliseconds;
}

void MemoryView::KillTimer(int timerId) {
    timers_.erase(timerId);
}

void MemoryView::SetWaitCursor(bool on) {
    if (on) {
        if (waitCursorDepth_++ == 0)
            ++waitCursorShows_;
        return;
    }
    if (waitCursorDepth_ == 0)
        throw std::logic_error("wait cursor taken back more often than shown");
    --waitCursorDepth_;
}

std::unique_ptr<MemoryView> MemoryView::MakeChild(Dialog& child) {
    const auto found = journal_->children.find(child.TemplateId());
    if (found == journal_->children.end())
        throw std::out_of_range("no template described for child dialog " +
                                std::to_string(child.TemplateId()));
    return std::unique_ptr<MemoryView>(new MemoryView(child, found->second.first, journal_));
}

int MemoryView::RunModal(Dialog& child) {
    journal_->modalRuns.push_back(child.TemplateId());
    std::unique_ptr<MemoryView> view = MakeChild(child);
    const auto action = journal_->children[child.TemplateId()].second;
    view->Open();
    if (action && !view->ended_)
        action(*view);
    while (!view->ended_) {
        if (!view->WaitForPosted(journal_->options.modalTimeout))
            throw std::runtime_error("modal dialog " + std::to_string(child.TemplateId()) + " did not end");
        view->DeliverPosted();
    }
    return view->result_;
}

bool MemoryView::CreateModeless(Dialog& child) {
    std::unique_ptr<MemoryView> view = MakeChild(child);
    view->modeless_child_ = true;
    view->Open();
    modeless_[child.TemplateId()] = std::move(view);
    return true;
}

}  // namespace ui
