#pragma once
// The configuration file "Vendaro.ini" beside the executable, and the two routines
// that move the items between it and the configuration area.
//
// Nothing of the file is kept: every read opens it afresh and every write is one
// update of it (see ini_text.h for the reading and writing rules, file_io.h for
// how an update reaches the disk). Failures are silent: a missing or unreadable
// file, section or key gives the default; a write that cannot be made leaves the
// file as it was.
#include <string>
#include <string_view>

#include "countdown/native_path.h"
#include "dates/date_value.h"
#include "ui/form.h"

namespace vendaro {

// runDirectory, the separator and "Vendaro.ini".
NativePath ConfigFilePath(const NativePath& runDirectory);

// The value under key in section, or defaultText when the file, the section or
// the key is missing. A key with an empty value gives the empty text.
std::string ReadConfigValue(const NativePath& runDirectory, std::string_view section,
                            std::string_view key, std::string_view defaultText);

// Stores value under key in section; an empty value keeps the key. Not reported.
void WriteConfigValue(const NativePath& runDirectory, std::string_view section, std::string_view key,
                      std::string_view value);

// The three date boxes, then the three name boxes, from the file; then the
// countdown lines.
void LoadConfiguration(Form& form, const NativePath& runDirectory, Clock clock);

// The three names, then the three due dates (their time of day dropped), into
// the file; then the countdown lines.
void SaveConfiguration(Form& form, const NativePath& runDirectory, Clock clock);

}  // namespace vendaro
