#pragma once
// The program's high-quality resampler: separable bicubic (Catmull-Rom) whose kernel widens
// with the reduction, so that a downscale averages every source pixel it covers instead of
// sampling a few of them (which aliases fine detail into moiré). Enlarging uses the plain
// kernel.
//
// Coefficients are computed once per call; each output row is filtered vertically into one
// row of floats and then horizontally, so nothing bigger than a source row is held besides
// the two pictures. Output rows are shared between the calling thread and whichever helper
// threads are idle: called from many threads at once (a batch on the pool) it degrades to
// one thread per call rather than piling up work.

#include <QImage>
#include <QSize>

namespace pixmill {

// `source` resampled to `size`. Opaque pictures of four bytes a pixel keep their format;
// pictures with alpha come back as premultiplied RGBA8888, other opaque ones as RGBX8888.
// Returns a null image for a null source or an empty size.
QImage resampleImage(const QImage& source, QSize size);

// `source` with its alpha composited onto an opaque `background` (0xRRGGBB), as RGBX8888.
// Opaque sources are converted only.
QImage flattenOnto(const QImage& source, unsigned background);

}  // namespace pixmill
