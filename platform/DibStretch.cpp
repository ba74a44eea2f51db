#include "platform/DibStretch.h"

#include "platform/GdiTypes.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr std::int64_t kMaxDestinationSide = std::int64_t{1} << 31;

// One axis of the job, normalised: both rectangles running low to high, mirror set when
// exactly one of them was given high to low, and the part of the destination inside the
// surface.
struct Axis {
    std::int64_t dstStart = 0;
    std::int64_t dstLength = 0;
    std::int64_t srcStart = 0;
    std::int64_t srcLength = 0;
    bool mirror = false;
    std::int64_t visibleLow = 0;
    std::int64_t visibleHigh = 0;

    // Index of device pixel c within the destination, counted in the source's direction.
    std::int64_t Step(std::int64_t c) const {
        std::int64_t j = c - dstStart;
        return mirror ? dstLength - 1 - j : j;
    }
    // The source pixel under the centre of destination step j.
    std::uint32_t Nearest(std::int64_t j) const {
        return static_cast<std::uint32_t>(srcStart + (2 * j + 1) * srcLength / (2 * dstLength));
    }
};

bool MakeAxis(std::int64_t d0, std::int64_t d1, std::int64_t s0, std::int64_t s1,
              std::int64_t sourceSide, std::int64_t surfaceSide, Axis& axis) {
    bool dstMirror = d1 < d0;
    bool srcMirror = s1 < s0;
    if (dstMirror)
        std::swap(d0, d1);
    if (srcMirror)
        std::swap(s0, s1);
    if (d1 == d0 || s1 == s0 || d1 - d0 > kMaxDestinationSide || s0 < 0 || s1 > sourceSide)
        return false;
    axis.dstStart = d0;
    axis.dstLength = d1 - d0;
    axis.srcStart = s0;
    axis.srcLength = s1 - s0;
    axis.mirror = dstMirror != srcMirror;
    axis.visibleLow = std::max<std::int64_t>(d0, 0);
    axis.visibleHigh = std::min<std::int64_t>(d1, surfaceSide);
    return true;
}

// The source pixels that one destination pixel covers along an axis, first i0 to last i1,
// with the weights of the two end pixels in units of 1/dstLength of a source pixel. Pixels
// between them count whole (weight dstLength); all weights of one span add up to srcLength.
struct Span {
    std::uint32_t i0 = 0, i1 = 0;
    std::uint32_t w0 = 0, w1 = 0;
    bool operator==(const Span&) const = default;
};

Span AreaSpan(const Axis& axis, std::int64_t j) {
    std::int64_t t0 = j * axis.srcLength;
    std::int64_t t1 = t0 + axis.srcLength;
    std::int64_t i0 = t0 / axis.dstLength;
    std::int64_t i1 = (t1 - 1) / axis.dstLength;
    Span span;
    span.i0 = static_cast<std::uint32_t>(axis.srcStart + i0);
    span.i1 = static_cast<std::uint32_t>(axis.srcStart + i1);
    if (i0 == i1) {
        span.w0 = static_cast<std::uint32_t>(axis.srcLength);
    } else {
        span.w0 = static_cast<std::uint32_t>((i0 + 1) * axis.dstLength - t0);
        span.w1 = static_cast<std::uint32_t>(t1 - i1 * axis.dstLength);
    }
    return span;
}

// Exact division by a divisor fixed for the whole job, through a 128-bit multiplication by
// its reciprocal and at most two corrections; a hardware division per channel would cost
// more than the averaging itself.
class CDivider {
public:
    explicit CDivider(std::uint64_t d) : m_d(d), m_m(UINT64_MAX / d) {}
    std::uint64_t Divide(std::uint64_t x) const {
        auto q = static_cast<std::uint64_t>((static_cast<unsigned __int128>(x) * m_m) >> 64);
        std::uint64_t r = x - q * m_d;
        while (r >= m_d) {
            ++q;
            r -= m_d;
        }
        return q;
    }

private:
    std::uint64_t m_d;
    std::uint64_t m_m;
};

// Weighted sums of blue, green and red over each span of one row of samples (bytes of a
// source row, or column sums of several rows).
template <unsigned S, class T, class Out>
void SumRow(const T* row, const Span* spans, std::size_t count, std::uint64_t inner, Out* out) {
    for (std::size_t c = 0; c < count; ++c) {
        const Span& s = spans[c];
        const T* p = row + std::size_t{s.i0} * S;
        std::uint64_t b = std::uint64_t{s.w0} * p[0];
        std::uint64_t g = std::uint64_t{s.w0} * p[1];
        std::uint64_t r = std::uint64_t{s.w0} * p[2];
        if (s.i1 > s.i0) {
            const T* last = row + std::size_t{s.i1} * S;
            std::uint64_t sb = 0, sg = 0, sr = 0;
            for (const T* m = p + S; m < last; m += S) {
                sb += m[0];
                sg += m[1];
                sr += m[2];
            }
            b += inner * sb + std::uint64_t{s.w1} * last[0];
            g += inner * sg + std::uint64_t{s.w1} * last[1];
            r += inner * sr + std::uint64_t{s.w1} * last[2];
        }
        out[3 * c] = static_cast<Out>(b);
        out[3 * c + 1] = static_cast<Out>(g);
        out[3 * c + 2] = static_cast<Out>(r);
    }
}

bool IsKnownRop(std::uint32_t rop) {
    switch (rop) {
    case SRCCOPY:
    case SRCPAINT:
    case SRCAND:
    case SRCINVERT:
    case NOTSRCCOPY:
    case DSTINVERT:
    case BLACKNESS:
    case WHITENESS:
        return true;
    default:
        return false;
    }
}

void Combine(std::uint32_t* dst, const std::uint32_t* src, std::size_t n, std::uint32_t rop) {
    constexpr std::uint32_t white = 0xFFFFFF;
    if (rop == SRCCOPY) {
        std::memcpy(dst, src, n * 4);
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        switch (rop) {
        case SRCPAINT:
            dst[i] |= src[i];
            break;
        case SRCAND:
            dst[i] &= src[i];
            break;
        case SRCINVERT:
            dst[i] ^= src[i];
            break;
        case NOTSRCCOPY:
            dst[i] = ~src[i] & white;
            break;
        case DSTINVERT:
            dst[i] = ~dst[i] & white;
            break;
        case BLACKNESS:
            dst[i] = 0;
            break;
        default:
            dst[i] = white;
            break;
        }
    }
}

// Blue, green and red of a 3- or 4-byte pixel; a fourth byte is never part of a colour.
inline std::uint32_t LoadPixel(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
}

// Nearest pixel: the source column of every visible destination column is looked up once,
// and a source row is read once for all the destination rows it lands on.
void NearestRows(CDibSource& source, const Axis& ax, const Axis& ay, std::uint32_t* surface,
                 std::int32_t width, std::uint32_t rop) {
    const std::size_t count = static_cast<std::size_t>(ax.visibleHigh - ax.visibleLow);
    const unsigned bytes = source.PixelBytes();
    std::vector<std::uint32_t> offsets(count);
    for (std::size_t c = 0; c < count; ++c)
        offsets[c] = ax.Nearest(ax.Step(ax.visibleLow + static_cast<std::int64_t>(c))) * bytes;
    std::vector<std::uint32_t> line(count);
    std::int64_t lineRow = -1;
    for (std::int64_t y = ay.visibleLow; y < ay.visibleHigh; ++y) {
        std::int64_t sy = ay.Nearest(ay.Step(y));
        if (sy != lineRow) {
            const std::uint8_t* row = source.Row(static_cast<std::int32_t>(sy));
            for (std::size_t c = 0; c < count; ++c)
                line[c] = LoadPixel(row + offsets[c]);
            lineRow = sy;
        }
        std::uint32_t* out = surface + y * width + ax.visibleLow;
        Combine(out, line.data(), count, rop);
    }
}

// Area averaging: horizontal weighted sums per source row (the last two are kept, since
// neighbouring destination rows share their border rows), then the vertical weighting.
// A row's sums stay below 255 × source width < 2^32; the weighted totals below 255 × the
// source area, so Acc may be 32 bits when that is below 2^32 (the common case, which
// vectorises better).
template <class Acc>
void AverageRowsWith(CDibSource& source, const Axis& ax, const Axis& ay, std::uint32_t* surface,
                     std::int32_t width, std::uint32_t rop) {
    const std::size_t count = static_cast<std::size_t>(ax.visibleHigh - ax.visibleLow);
    const std::size_t values = count * 3;
    std::vector<Span> spans(count);
    for (std::size_t c = 0; c < count; ++c)
        spans[c] = AreaSpan(ax, ax.Step(ax.visibleLow + static_cast<std::int64_t>(c)));
    const std::uint64_t innerX = static_cast<std::uint64_t>(ax.dstLength);
    const Acc innerY = static_cast<Acc>(ay.dstLength);
    const std::uint64_t area =
        static_cast<std::uint64_t>(ax.srcLength) * static_cast<std::uint64_t>(ay.srcLength);
    const CDivider divider(area);
    const std::uint64_t half = area / 2;

    std::vector<std::uint32_t> sums[2] = {std::vector<std::uint32_t>(values),
                                          std::vector<std::uint32_t>(values)};
    std::int64_t sumRow[2] = {-1, -1};
    int older = 0;
    auto rowSums = [&](std::uint32_t k) -> const std::uint32_t* {
        for (int i = 0; i < 2; ++i)
            if (sumRow[i] == k)
                return sums[i].data();
        int slot = older;
        older ^= 1;
        const std::uint8_t* row = source.Row(static_cast<std::int32_t>(k));
        if (source.PixelBytes() == 3)
            SumRow<3>(row, spans.data(), count, innerX, sums[slot].data());
        else
            SumRow<4>(row, spans.data(), count, innerX, sums[slot].data());
        sumRow[slot] = k;
        return sums[slot].data();
    };

    std::vector<Acc> total(values);
    std::vector<std::uint32_t> line(count);
    Span lineSpan;
    bool haveLine = false;
    for (std::int64_t y = ay.visibleLow; y < ay.visibleHigh; ++y) {
        Span sy = AreaSpan(ay, ay.Step(y));
        if (!haveLine || !(sy == lineSpan)) {
            Acc* t = total.data();
            const std::uint32_t* h = rowSums(sy.i0);
            const Acc w0 = static_cast<Acc>(sy.w0);
            for (std::size_t q = 0; q < values; ++q)
                t[q] = w0 * h[q];
            for (std::uint32_t k = sy.i0 + 1; k <= sy.i1; ++k) {
                const Acc w = k == sy.i1 ? static_cast<Acc>(sy.w1) : innerY;
                h = rowSums(k);
                for (std::size_t q = 0; q < values; ++q)
                    t[q] += w * h[q];
            }
            // Rounded to nearest, halves up.
            auto channel = [&](std::size_t q) {
                return static_cast<std::uint32_t>(divider.Divide(t[q] + half));
            };
            for (std::size_t c = 0; c < count; ++c)
                line[c] = (channel(3 * c + 2) << 16) | (channel(3 * c + 1) << 8) | channel(3 * c);
            lineSpan = sy;
            haveLine = true;
        }
        Combine(surface + y * width + ax.visibleLow, line.data(), count, rop);
    }
}

void AverageRows(CDibSource& source, const Axis& ax, const Axis& ay, std::uint32_t* surface,
                 std::int32_t width, std::uint32_t rop) {
    const std::uint64_t area =
        static_cast<std::uint64_t>(ax.srcLength) * static_cast<std::uint64_t>(ay.srcLength);
    if (area * 255 <= UINT32_MAX)
        AverageRowsWith<std::uint32_t>(source, ax, ay, surface, width, rop);
    else
        AverageRowsWith<std::uint64_t>(source, ax, ay, surface, width, rop);
}

// Area averaging for a strong vertical reduction: for each destination row the source
// rows it covers are first summed column by column (whole rows as plain byte sums, which
// vectorise, the two partly covered rows weighted), then each column span is weighted
// once. Every source byte is touched about once however small the destination is, and
// the integer result is the same as AverageRows gives.
void AverageColumnsFirst(CDibSource& source, const Axis& ax, const Axis& ay, std::uint32_t* surface,
                         std::int32_t width, std::uint32_t rop) {
    const std::size_t count = static_cast<std::size_t>(ax.visibleHigh - ax.visibleLow);
    const unsigned bytes = source.PixelBytes();
    std::vector<Span> spans(count);
    std::uint32_t low = UINT32_MAX, high = 0;
    for (std::size_t c = 0; c < count; ++c) {
        spans[c] = AreaSpan(ax, ax.Step(ax.visibleLow + static_cast<std::int64_t>(c)));
        low = std::min(low, spans[c].i0);
        high = std::max(high, spans[c].i1);
    }
    for (Span& span : spans) // relative to the first column any span needs
        span.i0 -= low, span.i1 -= low;
    const std::size_t first = std::size_t{low} * bytes;
    const std::size_t n = (std::size_t{high} - low + 1) * bytes;
    const std::uint64_t innerX = static_cast<std::uint64_t>(ax.dstLength);
    const std::uint32_t innerY = static_cast<std::uint32_t>(ay.dstLength);
    const std::uint64_t area =
        static_cast<std::uint64_t>(ax.srcLength) * static_cast<std::uint64_t>(ay.srcLength);
    const CDivider divider(area);
    const std::uint64_t half = area / 2;

    // Column sums stay within 255 × source height < 2^32; 16-bit sums of whole rows are
    // moved to the 32-bit ones every 257 rows, before they could overflow.
    std::vector<std::uint32_t> columns(n);
    std::vector<std::uint32_t> wide(n);
    std::vector<std::uint16_t> narrow(n);
    std::vector<std::uint64_t> total(count * 3);
    std::vector<std::uint32_t> line(count);
    for (std::int64_t y = ay.visibleLow; y < ay.visibleHigh; ++y) {
        const Span sy = AreaSpan(ay, ay.Step(y));
        std::fill(wide.begin(), wide.end(), 0);
        std::fill(narrow.begin(), narrow.end(), 0);
        unsigned pending = 0;
        for (std::uint32_t k = sy.i0 + 1; k < sy.i1; ++k) {
            const std::uint8_t* row = source.Row(static_cast<std::int32_t>(k)) + first;
            std::uint16_t* to = narrow.data();
            for (std::size_t i = 0; i < n; ++i)
                to[i] = static_cast<std::uint16_t>(to[i] + row[i]);
            if (++pending == 257) {
                for (std::size_t i = 0; i < n; ++i)
                    wide[i] += narrow[i], narrow[i] = 0;
                pending = 0;
            }
        }
        const std::uint8_t* top = source.Row(static_cast<std::int32_t>(sy.i0)) + first;
        for (std::size_t i = 0; i < n; ++i)
            columns[i] = sy.w0 * top[i] + innerY * (wide[i] + narrow[i]);
        if (sy.i1 > sy.i0) {
            const std::uint8_t* bottom = source.Row(static_cast<std::int32_t>(sy.i1)) + first;
            for (std::size_t i = 0; i < n; ++i)
                columns[i] += sy.w1 * bottom[i];
        }
        if (bytes == 3)
            SumRow<3>(columns.data(), spans.data(), count, innerX, total.data());
        else
            SumRow<4>(columns.data(), spans.data(), count, innerX, total.data());
        auto channel = [&](std::size_t q) {
            return static_cast<std::uint32_t>(divider.Divide(total[q] + half));
        };
        for (std::size_t c = 0; c < count; ++c)
            line[c] = (channel(3 * c + 2) << 16) | (channel(3 * c + 1) << 8) | channel(3 * c);
        Combine(surface + y * width + ax.visibleLow, line.data(), count, rop);
    }
}

} // namespace

bool DibStretch(CDibSource& source, const DibStretchJob& job, std::uint32_t* surface,
                std::int32_t width, std::int32_t height) {
    if (!IsKnownRop(job.rop))
        return false;
    Axis ax, ay;
    if (!MakeAxis(job.dx0, job.dx1, job.sx0, job.sx1, source.Width(), width, ax) ||
        !MakeAxis(job.dy0, job.dy1, job.sy0, job.sy1, source.Height(), height, ay))
        return false;
    if (!surface || ax.visibleLow >= ax.visibleHigh || ay.visibleLow >= ay.visibleHigh)
        return true; // nothing of it inside the surface
    try {
        // Reducing the height four times or more: columns first, else rows first.
        if (job.stretchMode == HALFTONE && ay.srcLength >= 4 * ay.dstLength)
            AverageColumnsFirst(source, ax, ay, surface, width, job.rop);
        else if (job.stretchMode == HALFTONE)
            AverageRows(source, ax, ay, surface, width, job.rop);
        else
            NearestRows(source, ax, ay, surface, width, job.rop);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
