#pragma once
// Owners for the handles the shell creates, and guards that undo what they did.
// Stock objects and system colour brushes are never owned.
#include <windows.h>

#include <memory>
#include <type_traits>

namespace vendaro::win32 {

template <auto Fn>
struct Deleter {
  template <class T>
  void operator()(T handle) const noexcept {
    Fn(handle);
  }
};

using UniqueBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, Deleter<DeleteObject>>;
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, Deleter<DestroyIcon>>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, Deleter<DeleteObject>>;
using UniqueDc = std::unique_ptr<std::remove_pointer_t<HDC>, Deleter<DeleteDC>>;

// BeginPaint … EndPaint for one WM_PAINT.
class PaintScope {
 public:
  explicit PaintScope(HWND window) noexcept : window_(window) { dc_ = BeginPaint(window_, &ps_); }
  ~PaintScope() { EndPaint(window_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const noexcept { return dc_; }
  const RECT& dirty() const noexcept { return ps_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// Selects an object into a DC and puts the previous one back.
class SelectScope {
 public:
  SelectScope(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectScope() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  SelectScope(const SelectScope&) = delete;
  SelectScope& operator=(const SelectScope&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A window DC obtained with GetDC and released with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const noexcept { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

}  // namespace vendaro::win32
