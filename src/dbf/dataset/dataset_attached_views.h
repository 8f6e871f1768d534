// TAttachedViews: the views attached to a dataset, in the order they were
// attached, and the delivery of the dataset's notices to them.
//
// A view's handler may detach itself or another view while a notice is
// delivered: the notice then still reaches the views as they were when it
// began. The views are not owned.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "dbf/dataset/dataset_view.h"

namespace zakaz::dbf {

class TAttachedViews {
 public:
  // Adds `view` once; nullptr and a view already attached are ignored.
  void Attach(TDataSetView* view) {
    if (view == nullptr || std::find(views_.begin(), views_.end(), view) != views_.end()) return;
    views_.push_back(view);
  }
  void Detach(TDataSetView* view) { std::erase(views_, view); }
  void Clear() { views_.clear(); }
  bool Empty() const { return views_.empty(); }

  // The largest row window a view asks for, at least one row.
  int32_t Capacity() const {
    int32_t capacity = 1;
    for (const TDataSetView* view : views_) capacity = std::max(capacity, view->WindowRows());
    return capacity;
  }

  // Calls `notice` with each view.
  template <typename F>
  void Notify(F&& notice) const {
    // One view (the usual case) is called as it is: nothing comes after it
    // that a detaching handler could disturb.
    if (views_.size() == 1) {
      notice(*views_.front());
      return;
    }
    const std::vector<TDataSetView*> views = views_;
    for (TDataSetView* view : views) notice(*view);
  }

 private:
  std::vector<TDataSetView*> views_;
};

}  // namespace zakaz::dbf
