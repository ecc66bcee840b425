#pragma once

#include <QRgb>
#include <array>

// Each sensor's colour: its legend and name, and its trace, drawn brighter for sensor 4.
inline constexpr std::array<QRgb, 4> LegendColours = {qRgb(255, 0, 0), qRgb(0, 0, 255),
                                                      qRgb(0, 128, 0), qRgb(192, 0, 192)};
inline constexpr std::array<QRgb, 4> TraceColours = {qRgb(255, 0, 0), qRgb(0, 0, 255),
                                                     qRgb(0, 128, 0), qRgb(255, 0, 255)};
