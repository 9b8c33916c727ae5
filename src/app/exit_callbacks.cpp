#include "app/exit_callbacks.h"

#include <algorithm>

namespace vendaro {

void ExitCallbackList::Add(Callback callback) {
  if (!callback || std::find(callbacks_.begin(), callbacks_.end(), callback) != callbacks_.end()) return;
  callbacks_.push_back(callback);
}

void ExitCallbackList::RunAll() {
  std::vector<Callback> callbacks;
  callbacks.swap(callbacks_);
  for (Callback callback : callbacks) callback();
}

}  // namespace vendaro
