// The letter keys of the keyboard told by their place, not by the layout in
// force, so a search key typed on a Russian layout is the same key as on a
// Latin one.
#pragma once

class QKeyEvent;

namespace zakaz {

// The letter 'A'..'Z' of the physical key that `event` reports, whatever
// the keyboard layout, or 0 for any other key. A native scan code, when the
// platform gives one, decides: the keyboard's evdev code plus 8, as X11 and
// Wayland deliver it (US positions). Without one (synthetic events), the
// Latin key code, or else the Cyrillic letter typed, placed by its key on
// the standard Russian layout; the seven Cyrillic letters on other keys
// are not letters here.
char PhysicalLetter(const QKeyEvent& event);

}  // namespace zakaz
