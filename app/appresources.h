#pragma once

#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <thread>

// The program's icon: 32 x 32 in 16 colours, with a 64 x 64 of the same drawing.
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

// The platform's own style, less one picture: the menu bar's overflow button, which two menus
// never need, would have the image reader load every image plugin before the first window.
void useProgramStyle();

// Reads the system's font configuration on a thread of its own while the program connects to the
// display, so that the first text laid out finds it ready: on the main thread it is the largest
// single cost before the first window. Made first thing in main; wait() before any window is made.
class FontConfigWarmup final {
public:
    FontConfigWarmup();
    ~FontConfigWarmup() { wait(); }
    FontConfigWarmup(const FontConfigWarmup&) = delete;
    FontConfigWarmup& operator=(const FontConfigWarmup&) = delete;
    void wait();

private:
    std::thread m_thread;
};
