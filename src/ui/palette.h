#pragma once
// The colour picker's drop-down palette: its named colours, how its entries are laid
// out, which entry a key moves to and where the palette opens on the screen. The Win32
// picker only draws what this says and forwards input to it.
//
// Entries are numbered 0 … kPaletteEntryCount - 1 in reading order: the named colours,
// two to a row, then "其它颜色..." across the whole last row.
#include <array>
#include <cstddef>
#include <string_view>

#include "ui/window_description.h"

namespace vendaro {

struct PaletteColour {
  std::string_view name;  // GBK
  Colour colour;
};

constexpr Colour Rgb(unsigned red, unsigned green, unsigned blue) {
  return static_cast<Colour>(red | (green << 8) | (blue << 16));
}

// Each row pairs a colour with its lighter or darker neighbour. Every value is a plain
// RGB colour: the palette offers neither "transparent" nor the system default.
// clang-format off
inline constexpr std::array<PaletteColour, 18> kPaletteColours{{
  {"黑色",   Rgb(0, 0, 0)},       {"白色",   Rgb(255, 255, 255)},
  {"灰色",   Rgb(128, 128, 128)}, {"浅灰色", Rgb(192, 192, 192)},
  {"红色",   Rgb(255, 0, 0)},     {"深红色", Rgb(128, 0, 0)},
  {"橙色",   Rgb(255, 128, 0)},   {"棕色",   Rgb(128, 64, 0)},
  {"黄色",   Rgb(255, 255, 0)},   {"金色",   Rgb(255, 215, 0)},
  {"绿色",   Rgb(0, 128, 0)},     {"亮绿色", Rgb(0, 255, 0)},
  {"青色",   Rgb(0, 255, 255)},   {"天蓝色", Rgb(135, 206, 235)},
  {"蓝色",   Rgb(0, 0, 255)},     {"深蓝色", Rgb(0, 0, 128)},
  {"紫色",   Rgb(128, 0, 128)},   {"粉红色", Rgb(255, 192, 203)},
}};
// clang-format on

inline constexpr std::string_view kOtherColoursName = "其它颜色...";
inline constexpr int kPaletteColumns = 2;
inline constexpr int kOtherColoursEntry = static_cast<int>(kPaletteColours.size());
inline constexpr int kPaletteEntryCount = kOtherColoursEntry + 1;
inline constexpr int kNoPaletteEntry = -1;

constexpr bool IsPaletteEntry(int entry) { return entry >= 0 && entry < kPaletteEntryCount; }

constexpr std::string_view PaletteEntryName(int entry) {
  if (entry >= 0 && entry < kOtherColoursEntry) return kPaletteColours[static_cast<std::size_t>(entry)].name;
  return entry == kOtherColoursEntry ? kOtherColoursName : std::string_view{};
}

// The entry the palette highlights when it opens: the named colour the picker shows,
// or "其它颜色..." for a colour of its own, so that Enter leads to the colour dialog.
constexpr int PaletteEntryOf(Colour colour) {
  for (std::size_t i = 0; i < kPaletteColours.size(); ++i) {
    if (kPaletteColours[i].colour == colour) return static_cast<int>(i);
  }
  return kOtherColoursEntry;
}

// ---- keyboard ------------------------------------------------------------------------

enum class PaletteKey { Left, Right, Up, Down, Home, End };

// Left and Right walk the entries in reading order and wrap at both ends. Up and Down
// keep the column; below the last colour row lies "其它颜色...", and from there Down
// wraps to the first row and Up goes back to the first column of the last colour row.
constexpr int NextPaletteEntry(int current, PaletteKey key) {
  if (!IsPaletteEntry(current)) return key == PaletteKey::End ? kOtherColoursEntry : 0;
  const int colourRows = (kOtherColoursEntry + kPaletteColumns - 1) / kPaletteColumns;
  switch (key) {
    case PaletteKey::Home:
      return 0;
    case PaletteKey::End:
      return kOtherColoursEntry;
    case PaletteKey::Left:
      return current == 0 ? kOtherColoursEntry : current - 1;
    case PaletteKey::Right:
      return current == kOtherColoursEntry ? 0 : current + 1;
    case PaletteKey::Down:
      if (current == kOtherColoursEntry) return 0;
      return current + kPaletteColumns < kOtherColoursEntry ? current + kPaletteColumns : kOtherColoursEntry;
    case PaletteKey::Up:
      if (current == kOtherColoursEntry) return (colourRows - 1) * kPaletteColumns;
      return current >= kPaletteColumns ? current - kPaletteColumns : kOtherColoursEntry;
  }
  return current;
}

// ---- layout (pixels of the palette's client area) --------------------------------------

inline constexpr int kPaletteMargin = 2;
inline constexpr int kPaletteCellWidth = 80;
inline constexpr int kPaletteCellHeight = 20;
// Between the last colour row and "其它颜色...": room for a separator line.
inline constexpr int kPaletteSeparator = 5;

struct PaletteSize {
  int width, height;
};

constexpr int PaletteColourRows() { return (kOtherColoursEntry + kPaletteColumns - 1) / kPaletteColumns; }

constexpr PaletteSize PaletteClientSize() {
  return {2 * kPaletteMargin + kPaletteColumns * kPaletteCellWidth,
          2 * kPaletteMargin + PaletteColourRows() * kPaletteCellHeight + kPaletteSeparator + kPaletteCellHeight};
}

// The cell of an entry; an invalid entry gets an empty rectangle.
constexpr Rect PaletteCellRect(int entry) {
  if (!IsPaletteEntry(entry)) return {0, 0, 0, 0};
  if (entry == kOtherColoursEntry) {
    return {kPaletteMargin, kPaletteMargin + PaletteColourRows() * kPaletteCellHeight + kPaletteSeparator,
            kPaletteColumns * kPaletteCellWidth, kPaletteCellHeight};
  }
  return {kPaletteMargin + (entry % kPaletteColumns) * kPaletteCellWidth,
          kPaletteMargin + (entry / kPaletteColumns) * kPaletteCellHeight, kPaletteCellWidth, kPaletteCellHeight};
}

constexpr bool RectContains(const Rect& r, int x, int y) {
  return x >= r.left && x < r.left + r.width && y >= r.top && y < r.top + r.height;
}

// The entry under a point of the client area, or kNoPaletteEntry (margins, the
// separator, outside).
constexpr int PaletteEntryAt(int x, int y) {
  for (int entry = 0; entry < kPaletteEntryCount; ++entry) {
    if (RectContains(PaletteCellRect(entry), x, y)) return entry;
  }
  return kNoPaletteEntry;
}

// ---- placement -------------------------------------------------------------------------

struct PalettePlace {
  int left, top;
};

// Where the palette's outer rectangle goes for a picker at `anchor` (both in screen
// coordinates): below the picker, left edges aligned, as a drop-down opens; above it
// when the screen's work area has no room below (the widget sits near the bottom of
// the screen); kept inside the work area sideways. When it fits neither below nor
// above, it goes on the side with more room, its top edge kept on the screen.
constexpr PalettePlace PlacePalette(const Rect& anchor, PaletteSize size, const Rect& workArea) {
  const int workRight = workArea.left + workArea.width;
  const int workBottom = workArea.top + workArea.height;
  const int anchorBottom = anchor.top + anchor.height;

  int left = anchor.left;
  if (left + size.width > workRight) left = workRight - size.width;
  if (left < workArea.left) left = workArea.left;

  const int roomBelow = workBottom - anchorBottom;
  const int roomAbove = anchor.top - workArea.top;
  int top = anchorBottom;
  if (size.height > roomBelow && (size.height <= roomAbove || roomAbove > roomBelow)) top = anchor.top - size.height;
  if (top < workArea.top) top = workArea.top;
  return {left, top};
}

}  // namespace vendaro
