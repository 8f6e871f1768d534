// The program's icon on every window it opens: the package's icon
// (packaging/zakaz.svg, a sheet of order lines with a green plus), drawn here
// with the same shapes, since the platform's image readers have no SVG.
#pragma once

#include <QIcon>

namespace zakaz {

// The icon in the sizes window frames and task bars ask for (16 to 128).
QIcon ProgramIcon();

// Makes ProgramIcon the icon of every window that sets none of its own;
// needs the QApplication.
void SetProgramIcon();

}  // namespace zakaz
