// Data exchange between a dialog's members and its controls, in one place.
//
// A dialog lists its exchanged members once, in DoDataExchange; the same list fills the controls
// (UpdateData(false)) and reads them back (UpdateData(true)). Reading stops at the first value the
// user must correct: its message box is shown (owned by the dialog, in the user's language), the
// control gets the focus with its text selected, the remaining members keep their values and
// UpdateData answers false, so the dialog stays open.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/dialog_view.h"

namespace ui {

// Reads a signed integer the way GetDlgItemInt does with its signed flag: leading blanks skipped, an
// optional minus sign, decimal digits. Blanks may follow the digits; anything else there, no digit
// at all, or a value outside the 32-bit signed range is refused.
std::optional<int32_t> ParseDialogInt(std::string_view text);

// The dialog layer's own messages, as the platform framework words them.
std::string IntegerRequiredMessage(Language language);
std::string IntegerRangeMessage(Language language, int32_t minimum, int32_t maximum);

class DataExchange {
public:
    DataExchange(DialogView& view, bool saveAndValidate) : view_(view), saving_(saveAndValidate) {}

    bool Saving() const { return saving_; }
    // A value was refused; later exchanges of this pass do nothing.
    bool Failed() const { return failed_; }

    void Text(int id, std::string& value);
    // Check state: 0, 1 or 2 (indeterminate).
    void Check(int id, int& state);
    // A group of radio buttons: `index` is the position in `ids` of the checked one, -1 for none.
    void Radio(std::initializer_list<int> ids, int& index);
    // All items of a list or combo box.
    void Items(int id, std::vector<std::string>& items);
    // Index of the selected item, -1 for none.
    void Selection(int id, int& index);
    // A signed integer in an edit (ParseDialogInt); a text that is no integer is refused.
    void Int(int id, int32_t& value);
    // As Int, and on reading a value outside minimum..maximum is refused with the range message.
    void IntRange(int id, int32_t& value, int32_t minimum, int32_t maximum);

private:
    void Fail(int id, const std::string& message);
    // The control's integer, or nothing after refusing it.
    std::optional<int32_t> ReadInt(int id);

    DialogView& view_;
    const bool saving_;
    bool failed_ = false;
};

}  // namespace ui
