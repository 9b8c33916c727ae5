#include "app/placement.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace vendaro {
namespace {

using ::testing::ElementsAreArray;

// A window that keeps its rectangle and the texts of 事项1…事项3, and logs every write
// and every edit-box read in order. Anything else the placement code touches is a fault.
class LoggingForm final : public Form {
 public:
  LoggingForm(Rect rect, std::string item1, std::string item2, std::string item3)
      : rect_(rect), items_{std::move(item1), std::move(item2), std::move(item3)} {}

  const std::vector<std::string>& Log() const { return log_; }
  const Rect& Rectangle() const { return rect_; }

  std::int32_t WindowLeft() const override { return rect_.left; }
  std::int32_t WindowTop() const override { return rect_.top; }
  std::int32_t WindowWidth() const override { return rect_.width; }
  std::int32_t WindowHeight() const override { return rect_.height; }

  std::string EditText(Control box) const override {
    switch (box) {
      case Control::事项1: return Read("item1", 0);
      case Control::事项2: return Read("item2", 1);
      case Control::事项3: return Read("item3", 2);
      default:
        ADD_FAILURE() << "read the text of control " << ControlId(box);
        return {};
    }
  }

  void SetLabelVisible(Control, bool) override { ADD_FAILURE() << "label visibility changed"; }
  void SetLabelCaption(Control, std::string_view) override { ADD_FAILURE() << "caption written"; }
  void SetLabelTextColour(Control, Colour) override { ADD_FAILURE() << "label colour written"; }
  void SetEditText(Control, std::string_view) override { ADD_FAILURE() << "edit text written"; }
  DateValue DateBoxValue(Control) const override {
    ADD_FAILURE() << "date box read";
    return {};
  }
  void SetDateBoxValue(Control, DateValue) override { ADD_FAILURE() << "date box written"; }
  Colour PickerColour(Control) const override {
    ADD_FAILURE() << "picker read";
    return {};
  }
  void SetPickerColour(Control, Colour) override { ADD_FAILURE() << "picker written"; }
  void* NativeHandle() const override { return nullptr; }

 protected:
  void MoveWindowLeft(std::int32_t v) override { Write("left", rect_.left, v); }
  void MoveWindowTop(std::int32_t v) override { Write("top", rect_.top, v); }
  void ResizeWindowWidth(std::int32_t v) override { Write("width", rect_.width, v); }
  void ResizeWindowHeight(std::int32_t v) override { Write("height", rect_.height, v); }

 private:
  std::string Read(const char* name, int index) const {
    log_.push_back(std::string("read ") + name);
    return items_[index];
  }
  void Write(const char* name, std::int32_t& field, std::int32_t value) {
    log_.push_back(std::string(name) + " " + std::to_string(value));
    field = value;
  }

  Rect rect_;
  std::string items_[3];
  mutable std::vector<std::string> log_;
};

struct PlaceCase {
  ScreenSize screen;
  std::int32_t width, height;
  std::int32_t left, top;
};

TEST(PlaceWindow, PutsTheWindowBottomCentreTruncatingTowardZero) {
  const PlaceCase cases[] = {
      {{1920, 1080}, 426, 186, 747, 854},
      {{1920, 1080}, 190, 76, 865, 964},
      {{1920, 1080}, 190, 58, 865, 982},
      {{1920, 1080}, 190, 20, 865, 1020},
      {{1365, 768}, 426, 186, 469, 542},    // 682.5 - 213 = 469.5
      {{401, 300}, 426, 186, -12, 74},      // 200.5 - 213 = -12.5: toward zero, not -13
      {{1024, 200}, 426, 186, 299, -26},    // taller than the screen: a negative top
      {{1023, 768}, 190, 20, 416, 708},     // 511.5 - 95
  };
  for (const auto& c : cases) {
    LoggingForm form({5, 7, c.width, c.height}, "a", "b", "c");
    PlaceWindow(form, c.screen);
    EXPECT_THAT(form.Log(), ElementsAreArray({"left " + std::to_string(c.left), "top " + std::to_string(c.top)}))
        << c.screen.width << "x" << c.screen.height << ", window " << c.width << "x" << c.height;
    EXPECT_EQ(form.Rectangle(), (Rect{c.left, c.top, c.width, c.height}));
  }
}

TEST(PlaceWindow, CoordinatesOutsideTheWindowLimitsAreClamped) {
  LoggingForm form({0, 0, 426, 186}, "", "", "");
  PlaceWindow(form, {200000, 100000});
  EXPECT_EQ(form.Rectangle(), (Rect{kCoordinateLimit, kCoordinateLimit, 426, 186}));
}

struct ToggleCase {
  const char* what;
  std::int32_t height;  // before the switch; the width is that of the layout
  const char* item2;
  const char* item3;
  std::vector<std::string> log;
};

TEST(ToggleConfigArea, ChoosesTheLayoutFromTheHeightAndTheItemBoxes) {
  const ToggleCase cases[] = {
      {"expanded, 事项2 empty", 186, "", "",
       {"read item2", "height 20", "width 190", "left 865", "top 1020"}},
      {"expanded, 事项2 empty, 事项3 filled", 186, "", "考试",
       {"read item2", "height 20", "width 190", "left 865", "top 1020"}},
      {"expanded, 事项2 a blank, 事项3 empty", 186, " ", "",
       {"read item2", "read item3", "height 58", "width 190", "left 865", "top 982"}},
      {"expanded, both filled", 186, "生日", "考试",
       {"read item2", "read item3", "height 76", "width 190", "left 865", "top 964"}},
      {"expanded, 事项3 a blank", 186, "生日", " ",
       {"read item2", "read item3", "height 76", "width 190", "left 865", "top 964"}},
      {"compact, three lines", 76, "生日", "考试", {"height 186", "width 426", "left 747", "top 854"}},
      {"compact, two lines", 58, "生日", "", {"height 186", "width 426", "left 747", "top 854"}},
      {"compact, one line", 20, "", "", {"height 186", "width 426", "left 747", "top 854"}},
      {"a height of no layout", 187, "生日", "考试", {"height 186", "width 426", "left 747", "top 854"}},
      {"a height of zero", 0, "", "", {"height 186", "width 426", "left 747", "top 854"}},
  };
  for (const auto& c : cases) {
    const std::int32_t width = c.height == kExpandedHeight ? kExpandedWidth : kCompactWidth;
    // Dragged away from the bottom centre: the switch puts it back.
    LoggingForm form({13, 17, width, c.height}, "事项", c.item2, c.item3);
    ToggleConfigArea(form, {1920, 1080});
    EXPECT_THAT(form.Log(), ElementsAreArray(c.log)) << c.what;
  }
}

TEST(ToggleConfigArea, TwoSwitchesRestoreTheExpandedWindowInPlace) {
  LoggingForm form({600, 686, 426, 186}, "", "生日", "");
  ToggleConfigArea(form, {1365, 768});
  EXPECT_EQ(form.Rectangle(), (Rect{587, 670, 190, 58}));
  ToggleConfigArea(form, {1365, 768});
  EXPECT_EQ(form.Rectangle(), (Rect{469, 542, 426, 186}));
}

struct TruncateCase {
  double value;
  std::int32_t expected;
};

TEST(TruncateToCoordinate, KeepsTheLowHalfOfTheTruncatedValueForAnyDouble) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const TruncateCase cases[] = {
      {469.5, 469},
      {-12.5, -12},
      {-0.75, 0},
      {2147483647.75, 2147483647},
      {2147483648.0, INT32_MIN},                 // 2^31 wraps
      {-2147483649.0, INT32_MAX},                // -2^31 - 1 wraps
      {4294967301.5, 5},                         // 2^32 + 5
      {-4294967301.5, -5},
      {4503599627370499.0, 3},                   // 2^52 + 3
      {9223372036854774784.0, -1024},            // the largest double below 2^63
      {-9223372036854775808.0, 0},               // -2^63 itself: its low half is 0
      {9223372036854775808.0, 0},                // 2^63: no 64-bit integer holds it
      {1e300, 0},
      {-1e300, 0},
      {kInf, 0},
      {-kInf, 0},
      {std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TruncateToCoordinate(c.value), c.expected) << std::hexfloat << c.value;
  }
}

}  // namespace
}  // namespace vendaro
