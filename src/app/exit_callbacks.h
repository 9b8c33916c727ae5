#pragma once
#include <vector>

namespace vendaro {

// Procedures that run once at normal shutdown, after the main window is gone, in
// the order they were added. Adding one that is already there changes nothing.
class ExitCallbackList {
 public:
  using Callback = void (*)();
  void Add(Callback callback);
  void RunAll();  // runs each once; the list is empty afterwards

 private:
  std::vector<Callback> callbacks_;
};

}  // namespace vendaro
