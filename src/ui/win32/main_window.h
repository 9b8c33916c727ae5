#pragma once
// The main window, built from the window description, and its property model.
// It translates: messages in, events out to the handlers app/ registers; property
// writes in, control changes out. It knows nothing of items, files or dates.
#include <windows.h>

#include <array>
#include <functional>
#include <memory>

#include "ui/form.h"
#include "ui/win32/handles.h"

namespace vendaro::win32 {

inline constexpr wchar_t kMainWindowClass[] = L"VendaroWindow";
inline constexpr wchar_t kLabelClass[] = L"VendaroLabel";
inline constexpr wchar_t kTransLabelClass[] = L"VendaroTransLabel";
inline constexpr wchar_t kTimerClass[] = L"VendaroTimer";

// Each handler gets the form the event came from; the created one runs before
// Load has returned, while the window is still hidden.
using FormEventHandler = std::function<void(Form&)>;
struct FormEvents {
  FormEventHandler created;
  FormEventHandler loadClicked;
  FormEventHandler saveClicked;
  FormEventHandler colourChosen;
  FormEventHandler tick;
};

class MainWindow final : public Form {
 public:
  // Creates the window hidden, corrects its frame, makes it topmost, creates the
  // controls, runs the created event and then shows the window. Returns null when
  // the window could not be created.
  static std::unique_ptr<MainWindow> Load(HINSTANCE instance, FormEvents events);

  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  HWND hwnd() const noexcept { return controls_[0].hwnd; }

  // Called by the event loop before dispatching: drag-anywhere and the Tab order.
  // Returns true when the message has been handled and must not be dispatched.
  bool PreTranslateMessage(const MSG& msg) noexcept;

  // Form
  std::int32_t WindowLeft() const override;
  std::int32_t WindowTop() const override;
  std::int32_t WindowWidth() const override;
  std::int32_t WindowHeight() const override;
  void SetLabelVisible(Control label, bool visible) override;
  void SetLabelCaption(Control label, std::string_view caption) override;
  void SetLabelTextColour(Control label, Colour colour) override;
  std::string EditText(Control box) const override;
  void SetEditText(Control box, std::string_view text) override;
  DateValue DateBoxValue(Control box) const override;
  void SetDateBoxValue(Control box, DateValue value) override;
  Colour PickerColour(Control picker) const override;
  void SetPickerColour(Control picker, Colour colour) override;
  void* NativeHandle() const override { return hwnd(); }

 protected:
  void MoveWindowLeft(std::int32_t left) override;
  void MoveWindowTop(std::int32_t top) override;
  void ResizeWindowWidth(std::int32_t width) override;
  void ResizeWindowHeight(std::int32_t height) override;

 private:
  struct ControlState {
    const Entry* entry = nullptr;
    HWND hwnd = nullptr;
    Colour textColour = kBlack;
    Colour backColour = kSystemDefaultColour;
    UniqueBrush backBrush;  // edit boxes: made once, when the box is created
    HFONT font = nullptr;   // labels: the font WM_SETFONT gave, the default GUI font until then
  };

  explicit MainWindow(FormEvents events);
  bool Create(HINSTANCE instance);
  bool CreateControl(HINSTANCE instance, std::size_t index);
  void Raise(Event event) noexcept;
  RECT OuterRect() const;
  HWND Handle(Control c) const { return controls_[static_cast<std::size_t>(ControlId(c))].hwnd; }
  ControlState* StateOf(HWND control) noexcept;
  HWND DirectChildOf(HWND window) const noexcept;
  bool HandleLeftButtonDown(const MSG& msg) noexcept;
  bool HandleTabKey(const MSG& msg) noexcept;

  // Window procedures: each message goes to a named handler.
  static LRESULT CALLBACK MainProc(HWND, UINT, WPARAM, LPARAM) noexcept;
  static LRESULT CALLBACK LabelProc(HWND, UINT, WPARAM, LPARAM) noexcept;
  static LRESULT CALLBACK TimerProc(HWND, UINT, WPARAM, LPARAM) noexcept;
  static LRESULT CALLBACK GroupBoxProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR) noexcept;
  LRESULT OnCommand(WPARAM wParam, LPARAM lParam) noexcept;
  LRESULT OnCtlColorEdit(HDC dc, HWND edit) noexcept;
  LRESULT OnCtlColorStatic(HDC dc, HWND control) noexcept;
  LRESULT OnActivate(HWND window, WPARAM wParam, LPARAM lParam) noexcept;
  static LRESULT OnGetMinMaxInfo(MINMAXINFO* info) noexcept;
  void OnDestroy() noexcept;
  static void PaintLabel(HWND label, const ControlState& state, bool opaque) noexcept;
  static void DrawLabel(HDC dc, HWND label, const ControlState& state, bool opaque) noexcept;
  static void RepaintLabelNow(const ControlState& state) noexcept;

  FormEvents events_;
  std::array<ControlState, 1 + kControlCount> controls_{};
  HWND focusBeforeDeactivation_ = nullptr;
  UniqueIcon bigIcon_;
  UniqueIcon smallIcon_;
};

// Maps a description colour to a GDI colour: the system default is the 3D face.
COLORREF ToColorRef(Colour colour) noexcept;

}  // namespace vendaro::win32
