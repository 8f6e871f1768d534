// Saving an order all or nothing, as the next start sees it.
//
// A save writes the order file and then clears the typed quantities in the
// price list, record by record. Killed (or the power lost) in between, the
// pharmacy would find the whole order in "demand" and most quantities still
// typed, and the next save would order the same goods again. So a save
// leaves a note in "temp" naming the order just before the order file takes
// its name, and removes it once the clearing is on the disk. At the next
// start a note whose order exists means "finish the clearing", and a note
// without its order means "nothing happened". Either way the price list's
// modification time (its date in the window's title) is put back as the
// note recorded it.
//
// The note's name ends in ".saving", never ".dbf", and is not an order's
// bare name, which the send reads as "this order was stored".
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace zakaz {

class TPriceList;

class TSaveNote {
 public:
  // Writes and flushes the note for the order file `order_name` (its name in
  // "demand", e.g. "1234D6B3.DBF") and the price list's time `price_time`.
  // Creates "temp" when it is missing; when "temp" cannot be had or takes no
  // note, the save goes on without one (Written() is false).
  static TSaveNote Write(const std::string& order_name, const std::optional<timespec>& price_time);

  TSaveNote() = default;
  bool Written() const { return !path_.empty(); }
  // Removes the note and flushes "temp"; nothing when none was written.
  void Remove();

 private:
  std::string path_;
};

// What the start found of interrupted saves.
struct TSaveRecovery {
  std::vector<std::string> finished;   // orders whose clearing was finished
  std::vector<std::string> forgotten;  // notes of orders that never took their name
};

// Runs at start, before the price list is opened for the user: handles
// every note in "temp" as the header says, through `price_list`, which is
// closed afterwards. A note that cannot be read is removed. When the price
// list is missing the notes are only removed. Failures of the price list
// propagate; the notes then stay for the next start.
TSaveRecovery RecoverInterruptedSaves(TPriceList& price_list);

}  // namespace zakaz
