// Base of every network object: holds the socket layer for its lifetime and
// reports the progress of long works (a file going over a data connection)
// through the events OnWorkBegin, OnWork and OnWorkEnd.
//
// Works nest per direction: only the outermost begin and end fire their
// events, and OnWork fires only inside a work. The events are called
// synchronously on the caller's thread with the object doing the work as
// Sender; an empty event is simply not called.
#pragma once

#include <cstdint>
#include <functional>

namespace zakaz::ftp {

enum TWorkMode { wmRead, wmWrite };

class TNetComponent;

using TWorkEvent =
    std::function<void(TNetComponent& sender, TWorkMode work_mode, int64_t work_count)>;
using TWorkBeginEvent =
    std::function<void(TNetComponent& sender, TWorkMode work_mode, int64_t work_count_max)>;
using TWorkEndEvent = std::function<void(TNetComponent& sender, TWorkMode work_mode)>;

class TNetComponent {
 public:
  TNetComponent();
  virtual ~TNetComponent();
  TNetComponent(const TNetComponent&) = delete;
  TNetComponent& operator=(const TNetComponent&) = delete;

  TWorkEvent OnWork;
  TWorkBeginEvent OnWorkBegin;
  TWorkEndEvent OnWorkEnd;

 protected:
  void BeginWork(TWorkMode mode, int64_t work_count_max);
  // Adds `bytes` to the count of the running work and reports the new count.
  void DoWork(TWorkMode mode, int64_t bytes);
  void EndWork(TWorkMode mode);

 private:
  struct WorkRecord {
    int level = 0;
    int64_t count_max = 0;
    int64_t count = 0;
  };
  WorkRecord work_[2];
};

}  // namespace zakaz::ftp
