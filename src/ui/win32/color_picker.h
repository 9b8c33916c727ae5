#pragma once
// A colour button: shows its colour as a swatch inside a sunken edge, with a
// drop-down arrow at its right. A click, or Space or Enter while it has the focus,
// opens a palette of named colours below it (above it where the screen ends), whose
// last entry "其它颜色..." opens the system colour dialog. The control keeps its own
// colour, so tools reach it by message like any standard control.
#include <windows.h>

#include "ui/window_description.h"

namespace vendaro::win32 {

inline constexpr wchar_t kColorPickerClass[] = L"VendaroColorPicker";
// The open palette: a popup owned by the picker's top-level window, which never takes
// the activation. Its window text is the name of the highlighted entry, so a screen
// reader or a test can follow the keyboard through it.
inline constexpr wchar_t kColorPaletteClass[] = L"VendaroColorPalette";

// wParam: the new colour (0x00BBGGRR). Redraws the swatch; raises nothing.
inline constexpr UINT kColorPickerSetColour = WM_APP + 1;
// Returns the current colour.
inline constexpr UINT kColorPickerGetColour = WM_APP + 2;
// Sent to the parent as WM_COMMAND(MAKEWPARAM(id, kColorPickerChosen), hwnd) after
// the user has confirmed a colour (also one equal to the current colour).
inline constexpr WORD kColorPickerChosen = 0x0C01;

bool RegisterColorPickerClass(HINSTANCE instance) noexcept;

}  // namespace vendaro::win32
