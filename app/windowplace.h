#pragma once

#include "app/twips.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <optional>
#include <string>

// Stored window positions are in twips on every platform.
double twipsFromPixels(int pixels);

// Where the window goes from the stored "Top" and "Left" texts (twips). A text that is not a
// number keeps that coordinate. None when neither text is a number, or when the window would
// be off every screen there.
std::optional<QPoint> storedWindowPosition(const std::string& topText, const std::string& leftText,
                                           const QRect& currentFrame, const QList<QRect>& screens);
