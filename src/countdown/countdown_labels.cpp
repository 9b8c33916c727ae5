#include "countdown/countdown_labels.h"

#include <string>

#include "countdown/config.h"
#include "countdown/items.h"

namespace vendaro {

void RefreshCountdownLabels(Form& form, const NativePath& runDirectory, Clock clock) {
  for (const Item& item : kItems) {
    if (form.EditText(item.nameBox).empty()) {
      form.SetLabelVisible(item.label, false);
      continue;
    }
    form.SetLabelVisible(item.label, true);
    const std::string name = ReadConfigValue(runDirectory, item.Section(), kNameKey, kNoSuchItem);
    const DateValue due =
        ParseDateText(ReadConfigValue(runDirectory, item.Section(), kDueDateKey, kNoSuchItem));
    const DateValue today = StripTimeOfDay(clock());
    std::string caption = "距离";
    caption += name;
    caption += "还有：";
    caption += FormatNumberText(DayDifference(due, today));
    caption += " 天";
    form.SetLabelCaption(item.label, caption);
  }
}

void ApplyItemColour(Form& form) {
  for (const Item& item : kItems) {
    form.SetLabelTextColour(item.label, form.PickerColour(Control::颜色选择器1));
  }
}

}  // namespace vendaro
