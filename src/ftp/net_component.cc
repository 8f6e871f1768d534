#include "ftp/net_component.h"

#include "ftp/socket_stack.h"

namespace zakaz::ftp {

TNetComponent::TNetComponent() { TSocketStack::Acquire(); }

TNetComponent::~TNetComponent() { TSocketStack::Release(); }

void TNetComponent::BeginWork(TWorkMode mode, int64_t work_count_max) {
  WorkRecord& work = work_[mode];
  if (++work.level == 1) {
    work.count_max = work_count_max;
    work.count = 0;
    if (OnWorkBegin) OnWorkBegin(*this, mode, work_count_max);
  }
}

void TNetComponent::DoWork(TWorkMode mode, int64_t bytes) {
  WorkRecord& work = work_[mode];
  if (work.level > 0) {
    work.count += bytes;
    if (OnWork) OnWork(*this, mode, work.count);
  }
}

void TNetComponent::EndWork(TWorkMode mode) {
  WorkRecord& work = work_[mode];
  if (work.level == 1 && OnWorkEnd) OnWorkEnd(*this, mode);
  if (work.level > 0) --work.level;
}

}  // namespace zakaz::ftp
