#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's icon: 32 x 32 in 16 colours, with larger sizes of the same drawing.
QIcon programIcon();

// The About window's 72 x 72 true-colour picture.
QPixmap aboutPicture();

// The user manual shown by the ReadMe window, lines ending CR LF.
QString readmeText();
