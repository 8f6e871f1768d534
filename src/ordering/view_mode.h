// The four views of the main window and the seam through which plain logic
// classes (clearing quantities, saving an order) switch between them without
// knowing the window. The main window implements IViewModes; tests pass a
// small fake that sets the filter the same way.
#pragma once

#include <cstdint>

namespace zakaz {

enum TViewMode : uint8_t { vmPrice = 0, vmOrder = 1, vmArchive = 2, vmWaybill = 3 };

class IViewModes {
 public:
  virtual ~IViewModes() = default;

  virtual TViewMode ViewMode() const = 0;
  // Shows the rows of `mode` ("QUANT>0" in vmOrder, every row in vmPrice)
  // with the cursor on the first of them.
  virtual void SetViewMode(TViewMode mode) = 0;
};

}  // namespace zakaz
