#include "toolkit/win32/win32_graphics.h"

#include <objidl.h>
#include <shlwapi.h>

#include <algorithm>
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

void* DecodeImage(const void* bytes, std::size_t size) {
  IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(bytes), static_cast<UINT>(size));
  if (!stream) return nullptr;
  Gdiplus::GpBitmap* bitmap = nullptr;
  // GDI+ reads the stream lazily: the stream stays with the bitmap.
  if (flat::GdipCreateBitmapFromStream(stream, &bitmap) != Gdiplus::Ok) bitmap = nullptr;
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
