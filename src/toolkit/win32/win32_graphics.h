#pragma once
// Pictures of the designs (PNG, GIF, JPEG) decoded and drawn through GDI+.
#include <windows.h>

#include <cstddef>

namespace toolkit::win32 {

// Started once per backend; images must be released before the stop.
ULONG_PTR StartGraphics();
void StopGraphics(ULONG_PTR token);

// In 32-bit colour with alpha; null when the bytes are no picture GDI+ reads.
void* DecodeImage(const void* bytes, std::size_t size);
void ReleaseImage(void* image);
// In the picture's own pixels.
SIZE ImageSize(void* image);
// Blended onto what `dc` already shows, so transparent parts keep it.
void DrawImage(HDC dc, void* image, const RECT& box);

}  // namespace toolkit::win32
