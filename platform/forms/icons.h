#pragma once

// The program's pictures, drawn in code in the sixteen colours of the old
// VGA palette: the picture of the about box, the program's window icon and
// the progress dialog's icon.

#include <QIcon>
#include <QImage>
#include <QList>
#include <QRgb>

namespace vornak::forms {

// The sixteen colours every picture is made of.
const QList<QRgb>& SixteenColours();

// A blue 3.5-inch floppy disk on a green background, with a hand holding a
// pen over the disk's label; `size` x `size` pixels, sixteen colours.
QImage ProgramPicture(int size = 100);
// The program's window icon: the same picture at the usual icon sizes.
QIcon ProgramIcon();

// A floppy disk with an arrow leaving it, 32 x 32 pixels, sixteen colours.
QImage ProgressPicture();
// The progress dialog's window icon.
QIcon ProgressIcon();

}  // namespace vornak::forms
