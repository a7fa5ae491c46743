// The "Set value" dialog (template 15092), shared by the spin edit and the
// dials: it shows the value, lets the user type new values and, where the
// caller allows it, a new range within fixed outer limits. It only collects
// and checks; the caller applies the result after OK.
#pragma once

#include <windows.h>

#include <string>

namespace frostel::widgets::detail {

struct ValueDialogModel {
    std::string name;
    std::string type;        // "Integer slider", "Float angle", "Light position"...
    std::string rangeText;   // the maximal range, or "Not limit"
    bool integerNumbers = false;  // numbers of the value and range fields
    double value1 = 0.0;
    double value2 = 0.0;
    bool hasValue2 = false;  // else `unusedText` and the field disabled
    std::string unusedText = "Not used";
    bool rangeEditable = false;
    double newMin = 0.0, newMax = 0.0;
    double outerLower = 0.0, outerUpper = 0.0;
    bool clampValue = false;   // the new value is kept inside the new range
    bool checkOnOk = false;    // OK checks the range and the value
};

// 1 for OK (the model holds the new values), 2 for cancel.
INT_PTR RunValueDialog(HWND owner, ValueDialogModel& model);

}  // namespace frostel::widgets::detail
