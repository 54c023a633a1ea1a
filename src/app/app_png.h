// PNG pictures stored as resources, and the game's own two-pass image scaler.
//
// Menus, buttons, captions and textures all show what ScaleImage makes, so its
// integer arithmetic is exact: never replace it with the toolkit's rescaling.
#pragma once

#include <wx/bitmap.h>
#include <wx/image.h>

// Decodes the PNG resource of this name (any case). An empty (invalid) image when
// the resource is missing or does not decode; nothing is thrown.
wxImage LoadPngResource(const char* name);

// Decodes a whole PNG file of size bytes at data, the bytes of the picture called
// name; nothing beyond them is read. An empty image, at once, when its chunks do not
// fit the bytes (said through the toolkit's log, naming the picture), and when it does
// not decode.
wxImage DecodePngBytes(const unsigned char* data, size_t size, const char* name);

// A new width x height image. A negative width (or height) is derived from the other
// to keep the source's aspect ratio. Rows are scaled first, then columns; enlarging
// interpolates in 1/256 steps, reducing averages 16 samples per target pixel. The
// alpha plane is scaled only when the source has one. An invalid source, or a final
// size of 0 or less in either direction, gives an empty image.
wxImage ScaleImage(const wxImage& source, int width, int height);

// A screen-depth bitmap of ScaleImage(LoadPngResource(name), width, height); empty
// when the resource is missing or the size comes out empty.
wxBitmap LoadBitmapResource(const char* name, int width, int height);

// A screen-depth bitmap of the resource scaled to this width with its own aspect
// ratio, but no taller than maxHeight (then narrower instead). Empty when the image
// is missing, has no pixels, or the size comes out empty.
wxBitmap LoadBitmapResourceToWidth(const char* name, int width, int maxHeight);
