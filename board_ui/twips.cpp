#include "board_ui/twips.h"

#include <QPaintDevice>

#include <cmath>

namespace tervalo {

int TwipsToPixels(int twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

int PixelsToTwips(int pixels, double dpi) {
  return dpi > 0 ? static_cast<int>(std::lround(pixels * kTwipsPerInch / dpi)) : 0;
}

int TwipsToPixelsX(int twips, const QPaintDevice& device) { return TwipsToPixels(twips, device.logicalDpiX()); }

int TwipsToPixelsY(int twips, const QPaintDevice& device) { return TwipsToPixels(twips, device.logicalDpiY()); }

int PixelsToTwipsX(int pixels, const QPaintDevice& device) { return PixelsToTwips(pixels, device.logicalDpiX()); }

int PixelsToTwipsY(int pixels, const QPaintDevice& device) { return PixelsToTwips(pixels, device.logicalDpiY()); }

QRect TwipsRect(const ControlGeometry& geometry, const QPaintDevice& device) {
  return QRect(TwipsToPixelsX(geometry.left, device), TwipsToPixelsY(geometry.top, device),
               TwipsToPixelsX(geometry.width, device), TwipsToPixelsY(geometry.height, device));
}

}  // namespace tervalo
