// Finding a control of a window by its object name in a widget test; a
// missing one is a test failure (and a null pointer) rather than a crash
// further on.
#pragma once

#include <gtest/gtest.h>

#include <QObject>

namespace zakaz::testing {

template <typename T>
T* FindChild(const QObject& parent, const char* name) {
  T* child = parent.findChild<T*>(name);
  EXPECT_NE(nullptr, child) << name;
  return child;
}

}  // namespace zakaz::testing
