#include "ui/palette.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vendaro {
namespace {

std::string NameOf(int entry) { return std::string(PaletteEntryName(entry)); }

TEST(Palette, OffersTheEverydayColoursOnceEachAndNothingTransparent) {
  std::set<std::string> names;
  std::set<Colour> colours;
  for (const auto& c : kPaletteColours) {
    EXPECT_TRUE(names.insert(std::string(c.name)).second) << "twice: " << c.name;
    EXPECT_TRUE(colours.insert(c.colour).second) << "colour twice: " << c.name;
    // A plain RGB value: neither the system default nor anything with a high byte.
    EXPECT_EQ(c.colour & 0xFF000000u, 0u) << c.name;
  }
  for (const char* expected : {"黑色", "白色", "红色", "橙色", "黄色", "绿色", "青色", "蓝色", "紫色", "灰色"}) {
    EXPECT_EQ(names.count(expected), 1u) << expected;
  }
  EXPECT_EQ(names.count("透明"), 0u);
  EXPECT_EQ(NameOf(kOtherColoursEntry), "其它颜色...");
  EXPECT_EQ(NameOf(kOtherColoursEntry + 1), "");
  EXPECT_EQ(NameOf(kNoPaletteEntry), "");
}

TEST(Palette, NamedColoursHaveTheValuesTheirNamesSay) {
  struct Case {
    const char* name;
    Colour colour;
  };
  const Case cases[] = {
      {"黑色", 0x00000000}, {"白色", 0x00FFFFFF}, {"红色", 0x000000FF},
      {"橙色", kOrange},    {"绿色", 0x00008000}, {"蓝色", 0x00FF0000},
      {"黄色", 0x0000FFFF}, {"青色", 0x00FFFF00}, {"灰色", 0x00808080},
  };
  for (const auto& c : cases) {
    const int entry = PaletteEntryOf(c.colour);
    EXPECT_EQ(NameOf(entry), c.name) << std::hex << c.colour;
  }
}

TEST(Palette, OpensOnTheShownColourOrOnOtherColoursForAColourOfItsOwn) {
  for (int entry = 0; entry < kOtherColoursEntry; ++entry) {
    EXPECT_EQ(PaletteEntryOf(kPaletteColours[static_cast<std::size_t>(entry)].colour), entry);
  }
  EXPECT_EQ(PaletteEntryOf(0x00123456), kOtherColoursEntry);
  EXPECT_EQ(PaletteEntryOf(0x000080FE), kOtherColoursEntry);  // one step off orange
  EXPECT_EQ(PaletteEntryOf(kSystemDefaultColour), kOtherColoursEntry);
}

// The grid: 0 1 / 2 3 / … / 16 17, then 18 (其它颜色...) across the bottom.
TEST(Palette, KeysMoveThroughTheGridAndWrap) {
  ASSERT_EQ(kPaletteColumns, 2);
  ASSERT_EQ(kOtherColoursEntry, 18);
  struct Case {
    int from;
    PaletteKey key;
    int to;
  };
  const Case cases[] = {
      {0, PaletteKey::Right, 1},   {1, PaletteKey::Right, 2},   {17, PaletteKey::Right, 18},
      {18, PaletteKey::Right, 0},  {0, PaletteKey::Left, 18},   {2, PaletteKey::Left, 1},
      {18, PaletteKey::Left, 17},  {0, PaletteKey::Down, 2},    {1, PaletteKey::Down, 3},
      {16, PaletteKey::Down, 18},  {17, PaletteKey::Down, 18},  {18, PaletteKey::Down, 0},
      {3, PaletteKey::Up, 1},      {0, PaletteKey::Up, 18},     {1, PaletteKey::Up, 18},
      {18, PaletteKey::Up, 16},    {9, PaletteKey::Home, 0},    {9, PaletteKey::End, 18},
      {18, PaletteKey::Home, 0},   {0, PaletteKey::End, 18},
      // Nothing highlighted: any key lands inside the palette.
      {-1, PaletteKey::Down, 0},   {-1, PaletteKey::End, 18},   {19, PaletteKey::Left, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NextPaletteEntry(c.from, c.key), c.to) << "from " << c.from << " key " << static_cast<int>(c.key);
  }
}

TEST(Palette, RightVisitsEveryEntryOnceAndLeftUndoesIt) {
  std::vector<int> visited;
  int entry = 0;
  for (int i = 0; i < kPaletteEntryCount; ++i) {
    visited.push_back(entry);
    const int next = NextPaletteEntry(entry, PaletteKey::Right);
    EXPECT_EQ(NextPaletteEntry(next, PaletteKey::Left), entry);
    entry = next;
  }
  EXPECT_EQ(entry, 0);
  EXPECT_EQ(std::set<int>(visited.begin(), visited.end()).size(), static_cast<std::size_t>(kPaletteEntryCount));
  // Down then Up comes back to every colour of the rows above the last.
  for (int e = 0; e < kOtherColoursEntry - kPaletteColumns; ++e) {
    EXPECT_EQ(NextPaletteEntry(NextPaletteEntry(e, PaletteKey::Down), PaletteKey::Up), e) << e;
  }
}

TEST(Palette, EveryCellIsHitWhereItIsDrawnAndTheGapsHitNothing) {
  const PaletteSize size = PaletteClientSize();
  for (int entry = 0; entry < kPaletteEntryCount; ++entry) {
    const Rect r = PaletteCellRect(entry);
    SCOPED_TRACE(entry);
    EXPECT_GT(r.width, 0);
    EXPECT_GT(r.height, 0);
    EXPECT_GE(r.left, 0);
    EXPECT_GE(r.top, 0);
    EXPECT_LE(r.left + r.width, size.width);
    EXPECT_LE(r.top + r.height, size.height);
    // Corners and centre belong to this cell alone.
    for (auto [x, y] : {std::pair{r.left, r.top}, std::pair{r.left + r.width - 1, r.top + r.height - 1},
                        std::pair{r.left + r.width / 2, r.top + r.height / 2}}) {
      EXPECT_EQ(PaletteEntryAt(x, y), entry) << x << "," << y;
    }
  }
  // The other entry spans the palette's width below the colours.
  const Rect other = PaletteCellRect(kOtherColoursEntry);
  const Rect last = PaletteCellRect(kOtherColoursEntry - 1);
  EXPECT_GT(other.top, last.top + last.height - 1);
  EXPECT_EQ(other.width, kPaletteColumns * PaletteCellRect(0).width);

  EXPECT_EQ(PaletteEntryAt(0, 0), kNoPaletteEntry);                              // margin
  EXPECT_EQ(PaletteEntryAt(other.left + 5, other.top - 1), kNoPaletteEntry);     // separator
  EXPECT_EQ(PaletteEntryAt(size.width - 1, size.height - 1), kNoPaletteEntry);   // margin
  EXPECT_EQ(PaletteEntryAt(-10, 5), kNoPaletteEntry);
  EXPECT_EQ(PaletteEntryAt(5, size.height + 10), kNoPaletteEntry);
  EXPECT_EQ(PaletteCellRect(kPaletteEntryCount), (Rect{0, 0, 0, 0}));
}

TEST(Palette, OpensBelowThePickerOrAboveItWhereTheScreenEnds) {
  const PaletteSize size{166, 212};
  const Rect screen{0, 0, 1920, 1040};
  struct Case {
    const char* what;
    Rect anchor;
    Rect work;
    int left, top;
  };
  const Case cases[] = {
      {"room below", {700, 300, 42, 24}, screen, 700, 324},
      {"exactly room below", {700, 1040 - 212 - 24, 42, 24}, screen, 700, 1040 - 212},
      {"near the bottom: above", {939, 1011, 42, 24}, screen, 939, 1011 - 212},
      {"past the right edge", {1900, 300, 42, 24}, screen, 1920 - 166, 324},
      {"past the left edge", {-30, 300, 42, 24}, screen, 0, 324},
      {"work area not at the origin", {100, 700, 42, 24}, {50, 100, 800, 700}, 100, 700 - 212},
      {"room neither way, more below", {10, 40, 42, 24}, {0, 0, 400, 300}, 10, 64},
      {"room neither way, more above", {10, 200, 42, 24}, {0, 0, 400, 300}, 10, 0},
  };
  for (const auto& c : cases) {
    const PalettePlace p = PlacePalette(c.anchor, size, c.work);
    EXPECT_EQ(p.left, c.left) << c.what;
    EXPECT_EQ(p.top, c.top) << c.what;
  }
}

}  // namespace
}  // namespace vendaro
