#include "countdown/config.h"

#include <optional>

#include "countdown/countdown_labels.h"
#include "countdown/file_io.h"
#include "countdown/ini_text.h"
#include "countdown/items.h"

namespace vendaro {

NativePath ConfigFilePath(const NativePath& runDirectory) {
  return runDirectory + kPathSeparator + VENDARO_NATIVE("Vendaro.ini");
}

std::string ReadConfigValue(const NativePath& runDirectory, std::string_view section,
                            std::string_view key, std::string_view defaultText) {
  const FileContent file = ReadWholeFile(ConfigFilePath(runDirectory));
  if (file.state != FileState::Read) return std::string(defaultText);
  std::optional<std::string> value = FindIniValue(file.bytes, section, key);
  return value ? std::move(*value) : std::string(defaultText);
}

void WriteConfigValue(const NativePath& runDirectory, std::string_view section, std::string_view key,
                      std::string_view value) {
  const NativePath path = ConfigFilePath(runDirectory);
  const FileContent file = ReadWholeFile(path);
  // A file that is there but cannot be read must not be taken for an empty one:
  // writing would throw its content away.
  if (file.state == FileState::Unreadable) return;
  const std::string updated = ApplyIniUpdate(file.bytes, section, key, value);
  if (file.state == FileState::Read && updated == file.bytes) return;
  ReplaceFileAtomically(path, updated);
}

void LoadConfiguration(Form& form, const NativePath& runDirectory, Clock clock) {
  for (const Item& item : kItems) {
    const std::string due = ReadConfigValue(runDirectory, item.Section(), kDueDateKey, kNoSuchItem);
    form.SetDateBoxValue(item.dateBox, ParseDateText(due));
  }
  for (const Item& item : kItems) {
    form.SetEditText(item.nameBox, ReadConfigValue(runDirectory, item.Section(), kNameKey, ""));
  }
  RefreshCountdownLabels(form, runDirectory, clock);
}

void SaveConfiguration(Form& form, const NativePath& runDirectory, Clock clock) {
  for (const Item& item : kItems) {
    WriteConfigValue(runDirectory, item.Section(), kNameKey, form.EditText(item.nameBox));
  }
  for (const Item& item : kItems) {
    const std::string due = FormatDateText(StripTimeOfDay(form.DateBoxValue(item.dateBox)));
    WriteConfigValue(runDirectory, item.Section(), kDueDateKey, due);
  }
  RefreshCountdownLabels(form, runDirectory, clock);
}

}  // namespace vendaro
