#pragma once

#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's icon: 32 x 32 in 16 colours, with larger sizes of the same drawing.
QIcon programIcon();

// The About window's 72 x 72 true-colour picture.
QPixmap aboutPicture();

// The user manual shown by the ReadMe window, lines ending CR LF.
QString readmeText();

// The face that stands for the design's 8.25 pt sans serif, made the application's font so every
// window inherits it. Liberation Sans, not the wider default face, so that captions sized for the
// design fit their boxes.
QFont programFont();
void useProgramFont();
