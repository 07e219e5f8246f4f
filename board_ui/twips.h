#pragma once
// The board's geometry is in twips (1440 to the inch); the screen's logical DPI turns it into
// pixels, so the window keeps its proportions on every screen.

#include <QRect>

#include "board/window_layout.h"

class QPaintDevice;

namespace tervalo {

inline constexpr int kTwipsPerInch = 1440;

// A length in twips as pixels at `dpi`, rounded to the nearest pixel.
int TwipsToPixels(int twips, double dpi);
// A length in pixels as twips at `dpi`, rounded to the nearest twip.
int PixelsToTwips(int pixels, double dpi);

// Horizontal lengths use the device's logical DPI across, vertical ones its DPI down.
int TwipsToPixelsX(int twips, const QPaintDevice& device);
int TwipsToPixelsY(int twips, const QPaintDevice& device);
int PixelsToTwipsX(int pixels, const QPaintDevice& device);
int PixelsToTwipsY(int pixels, const QPaintDevice& device);
QRect TwipsRect(const ControlGeometry& geometry, const QPaintDevice& device);

}  // namespace tervalo
