#include "toolkit/win32/win32_graphics.h"

#include <objidl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>
// GDI+'s headers expect min and max in scope.
using std::max;
using std::min;
#include <gdiplus.h>

namespace toolkit::win32 {

namespace flat = Gdiplus::DllExports;

ULONG_PTR StartGraphics() {
  ULONG_PTR token = 0;
  const Gdiplus::GdiplusStartupInput input;
  return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok ? token : 0;
}

void StopGraphics(ULONG_PTR token) {
  if (token) Gdiplus::GdiplusShutdown(token);
}

namespace {

// A copy in 32-bit colour with alpha: Wine's GDI+ drops a palette picture's
// transparency when it draws one at its own size.
Gdiplus::GpBitmap* WithAlpha(Gdiplus::GpBitmap* source) {
  UINT width = 0, height = 0;
  flat::GdipGetImageWidth(source, &width);
  flat::GdipGetImageHeight(source, &height);
  const Gdiplus::Rect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
  Gdiplus::BitmapData from{}, to{};
  Gdiplus::GpBitmap* copy = nullptr;
  if (flat::GdipCreateBitmapFromScan0(all.Width, all.Height, 0, PixelFormat32bppARGB, nullptr, &copy) != Gdiplus::Ok)
    return nullptr;
  bool copied = false;
  if (flat::GdipBitmapLockBits(source, &all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &from) == Gdiplus::Ok) {
    if (flat::GdipBitmapLockBits(copy, &all, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &to) == Gdiplus::Ok) {
      for (UINT row = 0; row < height; ++row)
        std::memcpy(static_cast<BYTE*>(to.Scan0) + row * to.Stride, static_cast<const BYTE*>(from.Scan0) + row * from.Stride,
                    std::size_t{width} * 4);
      flat::GdipBitmapUnlockBits(copy, &to);
      copied = true;
    }
    flat::GdipBitmapUnlockBits(source, &from);
  }
  if (copied) return copy;
  flat::GdipDisposeImage(copy);
  return nullptr;
}

}  // namespace

void* DecodeImage(const void* bytes, std::size_t size) {
  IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(bytes), static_cast<UINT>(size));
  if (!stream) return nullptr;
  Gdiplus::GpBitmap* decoded = nullptr;
  if (flat::GdipCreateBitmapFromStream(stream, &decoded) != Gdiplus::Ok) decoded = nullptr;
  Gdiplus::GpBitmap* bitmap = decoded ? WithAlpha(decoded) : nullptr;
  // The copy holds its own pixels; the decoded picture read the stream lazily.
  if (decoded) flat::GdipDisposeImage(decoded);
  stream->Release();
  return bitmap;
}

void ReleaseImage(void* image) {
  if (image) flat::GdipDisposeImage(static_cast<Gdiplus::GpImage*>(image));
}

SIZE ImageSize(void* image) {
  UINT width = 0, height = 0;
  flat::GdipGetImageWidth(static_cast<Gdiplus::GpImage*>(image), &width);
  flat::GdipGetImageHeight(static_cast<Gdiplus::GpImage*>(image), &height);
  return {static_cast<LONG>(width), static_cast<LONG>(height)};
}

void DrawImage(HDC dc, void* image, const RECT& box) {
  Gdiplus::GpGraphics* graphics = nullptr;
  if (flat::GdipCreateFromHDC(dc, &graphics) != Gdiplus::Ok) return;
  flat::GdipDrawImageRectI(graphics, static_cast<Gdiplus::GpImage*>(image), box.left, box.top, box.right - box.left,
                           box.bottom - box.top);
  flat::GdipDeleteGraphics(graphics);
}

}  // namespace toolkit::win32
