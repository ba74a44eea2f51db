// Bitmaps of the software drawing device as Qt images, for the clipboard and the printer.
#pragma once

#include <QImage>

class CBitmap;

// A copy of bitmap in QImage::Format_RGB32; a null image for an empty bitmap.
QImage BitmapToImage(const CBitmap& bitmap);
