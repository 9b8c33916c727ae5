#pragma once
// The countdown lines 标签1 … 标签3 and their colour.
#include "countdown/native_path.h"
#include "dates/date_value.h"
#include "ui/form.h"

namespace vendaro {

// For each item: hides its line when its name box is empty (no bytes at all);
// otherwise shows it and writes "距离" + name + "还有：" + days + " 天", with the
// name and the due date read from the file at this moment and today from clock.
// Every shown line is repainted, also when its text is unchanged; a hidden line
// keeps its last text.
void RefreshCountdownLabels(Form& form, const NativePath& runDirectory, Clock clock);

// The three lines take the colour picker's colour, shown or hidden.
void ApplyItemColour(Form& form);

}  // namespace vendaro
