#include "render/fill_kernels.h"

#include <algorithm>
#include <string>
#include <vector>

// VONNIK_NO_SIMD (the build switch of the same name) leaves only the scalar kernel.
#if defined(__SSE2__) && !defined(VONNIK_NO_SIMD)
#include <emmintrin.h>
#define VONNIK_PAIRS 1
#endif
#if defined(__SSE2__) && defined(__x86_64__) && defined(__GNUC__) && !defined(VONNIK_NO_SIMD)
#include <immintrin.h>
#define VONNIK_QUADS 1
#endif

namespace vonnik::fill {
namespace {

// For v within the frame's columns, where the conversion cannot overflow.
inline std::int64_t CeilToInt(double v) {
    const auto t = static_cast<std::int64_t>(v);
    return t + (static_cast<double>(t) < v ? 1 : 0);
}
inline std::int64_t FloorToInt(double v) {
    const auto t = static_cast<std::int64_t>(v);
    return t - (static_cast<double>(t) > v ? 1 : 0);
}

// Calls run(row, first, last, qy) for every row of the side whose run between the column
// limits is not empty.
template <typename Run>
inline void ForEachRun(const ShadedSide& q, Raster& frame, Run&& run) {
    const double left = static_cast<double>(q.left), right = static_cast<double>(q.right);
    for (std::int64_t r = q.top; r <= q.bottom; ++r) {
        const double qy = (r + 0.5) - q.y0;
        const double lo = std::max(
            {left, q.lowOffset[0] + q.lowSlope[0] * qy, q.lowOffset[1] + q.lowSlope[1] * qy});
        const double hi = std::min(
            {right, q.highOffset[0] + q.highSlope[0] * qy, q.highOffset[1] + q.highSlope[1] * qy});
        if (lo > hi) continue;
        run(frame.Row(static_cast<int>(r)), CeilToInt(lo), FloorToInt(hi), qy);
    }
}

template <bool kTexelsInside>
Pixel TexelAt(const Raster& pic, double u, double v) {
    if constexpr (kTexelsInside) {
        return pic.Row(static_cast<int>(v))[static_cast<int>(u)];
    } else {
        // A coordinate outside the picture takes its nearest border pixel.
        return pic.AtTruncated(u, v);
    }
}

template <bool kTexelsInside>
void ShadeScalar(const ShadedSide& q, const Raster& pic, Raster& frame) {
    ForEachRun(q, frame, [&](Pixel* row, std::int64_t first, std::int64_t last, double qy) {
        const double bq = q.d2x * qy, cq = q.d1x * qy;
        // c + 0.5 is exact, so counting centres in doubles gives the same qx as converting c.
        double cx = first + 0.5;
        for (std::int64_t c = first; c <= last; ++c, cx += 1.0) {
            const double qx = cx - q.x0;
            const double s = (qx * q.d2y - bq) * q.inv;
            const double t = (cq - qx * q.d1y) * q.inv;
            if (!(s >= 0.0 && t >= 0.0 && s + t <= 1.0)) continue;
            const double u = q.dt1x * s + q.t0x + q.dt2x * t;
            const double v = q.dt1y * s + q.t0y + q.dt2y * t;
            row[c] = Shade(TexelAt<kTexelsInside>(pic, u, v), q.shade);
        }
    });
}

#if defined(VONNIK_PAIRS)

// Two texels shaded at once: the same int-to-double conversions, products and truncations
// as Shade, lane by lane. The result holds the two output words in its low 64 bits.
inline __m128i ShadePair(Pixel a, Pixel b, __m128d f) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i words = _mm_and_si128(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(a)),
                                                           _mm_cvtsi32_si128(static_cast<int>(b))),
                                        _mm_set1_epi32(0x00FFFFFF));
    const __m128i bytes = _mm_unpacklo_epi8(words, zero);
    const auto scale = [&](__m128i channels) {
        const __m128i low = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(channels), f));
        const __m128i high =
            _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(channels, 8)), f));
        return _mm_unpacklo_epi64(low, high);
    };
    const __m128i first = scale(_mm_unpacklo_epi16(bytes, zero));
    const __m128i second = scale(_mm_unpackhi_epi16(bytes, zero));
    return _mm_packus_epi16(_mm_packs_epi32(first, second), zero);
}

// Runs of two pixels at a time (lane 0 column c, lane 1 column c + 1) for a side whose
// picture coordinates all truncate into the picture.
class PairShader {
  public:
    PairShader(const ShadedSide& q, const Raster& pic)
        : q_(q),
          x0_(_mm_set1_pd(q.x0)),
          d1y_(_mm_set1_pd(q.d1y)),
          d2y_(_mm_set1_pd(q.d2y)),
          inv_(_mm_set1_pd(q.inv)),
          width_(_mm_set1_pd(pic.Width())),
          texels_(pic.Pixels().data()) {}

    void Run(Pixel* row, std::int64_t first, std::int64_t last, double qy) const {
        const __m128d zero = _mm_setzero_pd(), one = _mm_set1_pd(1.0), two = _mm_set1_pd(2.0);
        const __m128d bq = _mm_set1_pd(q_.d2x * qy), cq = _mm_set1_pd(q_.d1x * qy);
        const __m128d lastCx = _mm_set1_pd(last + 0.5);
        __m128d cx = _mm_set_pd(first + 1.5, first + 0.5);
        for (std::int64_t c = first; c <= last; c += 2, cx = _mm_add_pd(cx, two)) {
            const __m128d qx = _mm_sub_pd(cx, x0_);
            const __m128d s = _mm_mul_pd(_mm_sub_pd(_mm_mul_pd(qx, d2y_), bq), inv_);
            const __m128d t = _mm_mul_pd(_mm_sub_pd(cq, _mm_mul_pd(qx, d1y_)), inv_);
            __m128d in = _mm_and_pd(_mm_cmpge_pd(s, zero), _mm_cmpge_pd(t, zero));
            in = _mm_and_pd(in, _mm_cmple_pd(_mm_add_pd(s, t), one));
            in = _mm_and_pd(in, _mm_cmple_pd(cx, lastCx));
            const int drawn = _mm_movemask_pd(in);
            if (drawn == 0) continue;
            const __m128i out = Texels(s, t, in);
            if (drawn == 3)
                _mm_storel_epi64(reinterpret_cast<__m128i*>(row + c), out);
            else if (drawn == 1)
                row[c] = static_cast<Pixel>(_mm_cvtsi128_si32(out));
            else
                row[c + 1] = static_cast<Pixel>(_mm_cvtsi128_si32(_mm_srli_si128(out, 4)));
        }
    }

  private:
    // The shaded texels of the two lanes' weights; lanes that are not drawn read element 0
    // instead of whatever their coordinates hold.
    __m128i Texels(__m128d s, __m128d t, __m128d in) const {
        const __m128d u = Interpolate(q_.t0x, q_.dt1x, q_.dt2x, s, t);
        const __m128d v = Interpolate(q_.t0y, q_.dt1y, q_.dt2y, s, t);
        // Row times width plus column is exact in doubles at any picture size.
        const __m128d ut = _mm_cvtepi32_pd(_mm_cvttpd_epi32(u));
        const __m128d vt = _mm_cvtepi32_pd(_mm_cvttpd_epi32(v));
        const __m128i at = _mm_cvttpd_epi32(_mm_and_pd(_mm_add_pd(_mm_mul_pd(vt, width_), ut), in));
        return ShadePair(texels_[_mm_cvtsi128_si32(at)],
                         texels_[_mm_cvtsi128_si32(_mm_srli_si128(at, 4))], _mm_set1_pd(q_.shade));
    }

    // d1 * s + t0 + d2 * t, in the fill rule's order.
    static __m128d Interpolate(double t0, double d1, double d2, __m128d s, __m128d t) {
        return _mm_add_pd(_mm_add_pd(_mm_mul_pd(_mm_set1_pd(d1), s), _mm_set1_pd(t0)),
                          _mm_mul_pd(_mm_set1_pd(d2), t));
    }

    const ShadedSide& q_;
    __m128d x0_, d1y_, d2y_, inv_, width_;
    const Pixel* texels_;
};

void ShadePairs(const ShadedSide& q, const Raster& pic, Raster& frame) {
    const PairShader shader(q, pic);
    ForEachRun(q, frame, [&](Pixel* row, std::int64_t first, std::int64_t last, double qy) {
        shader.Run(row, first, last, qy);
    });
}

#endif

#if defined(VONNIK_QUADS)

#define VONNIK_AVX2 __attribute__((target("avx2")))

// One colour byte of four texels, at the given shift, times the light factor as a double,
// truncated: Shade for one channel of four pixels.
VONNIK_AVX2 inline __m128i ShadeChannel(__m128i texels, int shift, __m256d f) {
    const __m128i bytes = _mm_and_si128(_mm_srli_epi32(texels, shift), _mm_set1_epi32(0xFF));
    return _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtepi32_pd(bytes), f));
}

// The four output words of four texels. Each scaled byte stays within 0..255, so the three
// can be put together with shifts.
VONNIK_AVX2 inline __m128i ShadeQuad(__m128i texels, __m256d f) {
    const __m128i blue = ShadeChannel(texels, 0, f);
    const __m128i green = ShadeChannel(texels, 8, f);
    const __m128i red = ShadeChannel(texels, 16, f);
    return _mm_or_si128(_mm_or_si128(blue, _mm_slli_epi32(green, 8)), _mm_slli_epi32(red, 16));
}

// d1 * s + t0 + d2 * t, in the fill rule's order.
VONNIK_AVX2 inline __m256d Interpolate(double t0, double d1, double d2, __m256d s, __m256d t) {
    return _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(d1), s), _mm256_set1_pd(t0)),
                         _mm256_mul_pd(_mm256_set1_pd(d2), t));
}

// The element index of each drawn lane's texel, 0 for the others (whose coordinates may
// hold anything); drawn is all ones in each drawn lane.
VONNIK_AVX2 inline __m128i TexelIndices(const ShadedSide& q, __m256d s, __m256d t, __m128i drawn,
                                        __m128i width) {
    const __m128i u = _mm256_cvttpd_epi32(Interpolate(q.t0x, q.dt1x, q.dt2x, s, t));
    const __m128i v = _mm256_cvttpd_epi32(Interpolate(q.t0y, q.dt1y, q.dt2y, s, t));
    const __m128i at = _mm_add_epi32(_mm_mullo_epi32(v, width), u);
    return _mm_castps_si128(
        _mm_blendv_ps(_mm_setzero_ps(), _mm_castsi128_ps(at), _mm_castsi128_ps(drawn)));
}

// The low 32 bits of each 64-bit lane: a 64-bit lane mask as a 32-bit one.
VONNIK_AVX2 inline __m128i Narrow(__m256d mask) {
    const __m128 low = _mm_castpd_ps(_mm256_castpd256_pd128(mask));
    const __m128 high = _mm_castpd_ps(_mm256_extractf128_pd(mask, 1));
    return _mm_castps_si128(_mm_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0)));
}

// Four plain loads: the gather instruction is slow on some processors.
VONNIK_AVX2 inline __m128i LoadTexels(const Pixel* texels, __m128i at) {
    const auto element = [&](int k) {
        return static_cast<int>(texels[static_cast<std::uint32_t>(k)]);
    };
    return _mm_set_epi32(element(_mm_extract_epi32(at, 3)), element(_mm_extract_epi32(at, 2)),
                         element(_mm_extract_epi32(at, 1)), element(_mm_cvtsi128_si32(at)));
}

// The run limits of one row, already rounded inwards to whole columns; lo > hi when the
// run is empty.
struct RunLimits {
    __m128d lowOffset, lowSlope, highOffset, highSlope, left, right;

    VONNIK_AVX2 void Of(double qy, __m128d& lo, __m128d& hi) const {
        const __m128d qys = _mm_set1_pd(qy);
        const __m128d lows = _mm_add_pd(lowOffset, _mm_mul_pd(lowSlope, qys));
        const __m128d highs = _mm_add_pd(highOffset, _mm_mul_pd(highSlope, qys));
        lo = _mm_max_sd(_mm_max_sd(left, lows), _mm_unpackhi_pd(lows, lows));
        hi = _mm_min_sd(_mm_min_sd(right, highs), _mm_unpackhi_pd(highs, highs));
        lo = _mm_ceil_sd(lo, lo);
        hi = _mm_floor_sd(hi, hi);
    }
};

// Columns first..last of one row, four at a time (lane k column c + k); cx holds the lanes'
// column centres and lastCx the centre of column last.
struct QuadShader {
    const ShadedSide& q;
    __m256d x0, d1y, d2y, inv, shade;
    __m128i width;
    const Pixel* texels;

    VONNIK_AVX2 void Run(Pixel* row, std::int64_t first, std::int64_t last, __m256d cx,
                         __m256d lastCx, double qy) const {
        const __m256d zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1.0);
        const __m256d four = _mm256_set1_pd(4.0);
        const __m256d bq = _mm256_set1_pd(q.d2x * qy), cq = _mm256_set1_pd(q.d1x * qy);
        for (std::int64_t c = first; c <= last; c += 4, cx = _mm256_add_pd(cx, four)) {
            const __m256d qx = _mm256_sub_pd(cx, x0);
            const __m256d s = _mm256_mul_pd(_mm256_sub_pd(_mm256_mul_pd(qx, d2y), bq), inv);
            const __m256d t = _mm256_mul_pd(_mm256_sub_pd(cq, _mm256_mul_pd(qx, d1y)), inv);
            __m256d in = _mm256_and_pd(_mm256_cmp_pd(s, zero, _CMP_GE_OQ),
                                       _mm256_cmp_pd(t, zero, _CMP_GE_OQ));
            in = _mm256_and_pd(in, _mm256_cmp_pd(_mm256_add_pd(s, t), one, _CMP_LE_OQ));
            in = _mm256_and_pd(in, _mm256_cmp_pd(cx, lastCx, _CMP_LE_OQ));
            if (_mm256_testz_pd(in, in)) continue;
            const __m128i drawn = Narrow(in);
            const __m128i at = TexelIndices(q, s, t, drawn, width);
            _mm_maskstore_epi32(reinterpret_cast<int*>(row + c), drawn,
                                ShadeQuad(LoadTexels(texels, at), shade));
        }
    }
};

VONNIK_AVX2 void ShadeQuads(const ShadedSide& q, const Raster& pic, Raster& frame) {
    const RunLimits limits{_mm_loadu_pd(q.lowOffset),
                           _mm_loadu_pd(q.lowSlope),
                           _mm_loadu_pd(q.highOffset),
                           _mm_loadu_pd(q.highSlope),
                           _mm_set_sd(static_cast<double>(q.left)),
                           _mm_set_sd(static_cast<double>(q.right))};
    const QuadShader shader{q,
                            _mm256_set1_pd(q.x0),
                            _mm256_set1_pd(q.d1y),
                            _mm256_set1_pd(q.d2y),
                            _mm256_set1_pd(q.inv),
                            _mm256_set1_pd(q.shade),
                            _mm_set1_epi32(pic.Width()),
                            pic.Pixels().data()};
    const __m256d lanes = _mm256_set_pd(3.5, 2.5, 1.5, 0.5);
    const __m128d half = _mm_set_sd(0.5);
    // r + 0.5 is exact, so counting row centres in doubles gives the same qy.
    double cy = q.top + 0.5;
    for (std::int64_t r = q.top; r <= q.bottom; ++r, cy += 1.0) {
        const double qy = cy - q.y0;
        __m128d lo, hi;
        limits.Of(qy, lo, hi);
        if (_mm_comigt_sd(lo, hi)) continue;
        const __m256d cx = _mm256_add_pd(_mm256_broadcastsd_pd(lo), lanes);
        const __m256d lastCx = _mm256_broadcastsd_pd(_mm_add_sd(hi, half));
        shader.Run(frame.Row(static_cast<int>(r)), _mm_cvttsd_si64(lo), _mm_cvttsd_si64(hi), cx,
                   lastCx, qy);
    }
}

#define VONNIK_AVX512 __attribute__((target("avx512f,avx512vl,avx512dq,avx2")))
// GCC 12's AVX-512 headers start conversions from an "undefined" register, which its own
// -Wmaybe-uninitialized then reports at every call.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

// One colour byte of eight texels, at the given shift, times the light factor as a double,
// truncated: Shade for one channel of eight pixels.
VONNIK_AVX512 inline __m256i ShadeChannel8(__m256i texels, int shift, __m512d f) {
    const __m256i bytes =
        _mm256_and_si256(_mm256_srli_epi32(texels, shift), _mm256_set1_epi32(0xFF));
    return _mm512_cvttpd_epi32(_mm512_mul_pd(_mm512_cvtepi32_pd(bytes), f));
}

// The eight output words of eight texels.
VONNIK_AVX512 inline __m256i ShadeOctet(__m256i texels, __m512d f) {
    const __m256i blue = ShadeChannel8(texels, 0, f);
    const __m256i green = ShadeChannel8(texels, 8, f);
    const __m256i red = ShadeChannel8(texels, 16, f);
    return _mm256_or_si256(_mm256_or_si256(blue, _mm256_slli_epi32(green, 8)),
                           _mm256_slli_epi32(red, 16));
}

// d1 * s + t0 + d2 * t, in the rule's order.
VONNIK_AVX512 inline __m512d Interpolate8(double t0, double d1, double d2, __m512d s, __m512d t) {
    return _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(_mm512_set1_pd(d1), s), _mm512_set1_pd(t0)),
                         _mm512_mul_pd(_mm512_set1_pd(d2), t));
}

// The output words of eight lanes with weights s and t: their picture coordinates,
// truncated, the texels there, shaded. Lanes that are not in `drawn` read element 0 instead
// of whatever their coordinates hold.
VONNIK_AVX512 inline __m256i ShadedTexels8(const ShadedSide& q, __m512d s, __m512d t,
                                           __mmask8 drawn, __m256i width, const Pixel* texels,
                                           __m512d shade) {
    const __m256i u = _mm512_cvttpd_epi32(Interpolate8(q.t0x, q.dt1x, q.dt2x, s, t));
    const __m256i v = _mm512_cvttpd_epi32(Interpolate8(q.t0y, q.dt1y, q.dt2y, s, t));
    const __m256i at =
        _mm256_maskz_mov_epi32(drawn, _mm256_add_epi32(_mm256_mullo_epi32(v, width), u));
    alignas(32) std::uint32_t index[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(index), at);
    const __m256i words =
        _mm256_set_epi32(static_cast<int>(texels[index[7]]), static_cast<int>(texels[index[6]]),
                         static_cast<int>(texels[index[5]]), static_cast<int>(texels[index[4]]),
                         static_cast<int>(texels[index[3]]), static_cast<int>(texels[index[2]]),
                         static_cast<int>(texels[index[1]]), static_cast<int>(texels[index[0]]));
    return ShadeOctet(words, shade);
}

// Columns first..last of one row, eight at a time (lane k column c + k): the quads' steps
// on the 512-bit unit, with mask registers for the lanes that are drawn.
struct OctetShader {
    const ShadedSide& q;
    __m512d x0, d1y, d2y, inv, shade;
    __m256i width;
    const Pixel* texels;

    VONNIK_AVX512 void Run(Pixel* row, std::int64_t first, std::int64_t last, __m512d cx,
                           __m512d lastCx, double qy) const {
        const __m512d zero = _mm512_setzero_pd(), one = _mm512_set1_pd(1.0);
        const __m512d eight = _mm512_set1_pd(8.0);
        const __m512d bq = _mm512_set1_pd(q.d2x * qy), cq = _mm512_set1_pd(q.d1x * qy);
        for (std::int64_t c = first; c <= last; c += 8, cx = _mm512_add_pd(cx, eight)) {
            const __m512d qx = _mm512_sub_pd(cx, x0);
            const __m512d s = _mm512_mul_pd(_mm512_sub_pd(_mm512_mul_pd(qx, d2y), bq), inv);
            const __m512d t = _mm512_mul_pd(_mm512_sub_pd(cq, _mm512_mul_pd(qx, d1y)), inv);
            __mmask8 in = _mm512_cmp_pd_mask(s, zero, _CMP_GE_OQ);
            in &= _mm512_cmp_pd_mask(t, zero, _CMP_GE_OQ);
            in &= _mm512_cmp_pd_mask(_mm512_add_pd(s, t), one, _CMP_LE_OQ);
            in &= _mm512_cmp_pd_mask(cx, lastCx, _CMP_LE_OQ);
            if (in == 0) continue;
            _mm256_mask_storeu_epi32(row + c, in, ShadedTexels8(q, s, t, in, width, texels, shade));
        }
    }
};

VONNIK_AVX512 void ShadeOctets(const ShadedSide& q, const Raster& pic, Raster& frame) {
    const RunLimits limits{_mm_loadu_pd(q.lowOffset),
                           _mm_loadu_pd(q.lowSlope),
                           _mm_loadu_pd(q.highOffset),
                           _mm_loadu_pd(q.highSlope),
                           _mm_set_sd(static_cast<double>(q.left)),
                           _mm_set_sd(static_cast<double>(q.right))};
    const OctetShader shader{q,
                             _mm512_set1_pd(q.x0),
                             _mm512_set1_pd(q.d1y),
                             _mm512_set1_pd(q.d2y),
                             _mm512_set1_pd(q.inv),
                             _mm512_set1_pd(q.shade),
                             _mm256_set1_epi32(pic.Width()),
                             pic.Pixels().data()};
    const __m512d lanes = _mm512_set_pd(7.5, 6.5, 5.5, 4.5, 3.5, 2.5, 1.5, 0.5);
    const __m128d half = _mm_set_sd(0.5);
    double cy = q.top + 0.5;
    for (std::int64_t r = q.top; r <= q.bottom; ++r, cy += 1.0) {
        const double qy = cy - q.y0;
        __m128d lo, hi;
        limits.Of(qy, lo, hi);
        if (_mm_comigt_sd(lo, hi)) continue;
        const __m512d cx = _mm512_add_pd(_mm512_broadcastsd_pd(lo), lanes);
        const __m512d lastCx = _mm512_broadcastsd_pd(_mm_add_sd(hi, half));
        shader.Run(frame.Row(static_cast<int>(r)), _mm_cvttsd_si64(lo), _mm_cvttsd_si64(hi), cx,
                   lastCx, qy);
    }
}

// Sides whose box is at most eight columns wide, eight pixels at a time over the whole box
// (the fill rule's own scan, so no column limits are needed): a box at most four columns
// wide takes two rows per step (lanes 0-3 the upper row, 4-7 the lower), a wider one one
// row. At the polygon sizes people draw with, most sides are this small, and their rows
// would leave most lanes of a row-by-row kernel idle.
struct TileShader {
    const ShadedSide& q;
    __m512d x0, y0, d1x, d1y, d2x, d2y, inv, shade;
    __m256i width;
    const Pixel* texels;

    // Lanes with column centres cx and row centres cy; `inBox` holds the lanes that lie in
    // the box. Returns the lanes the rule draws; words gets their output words.
    VONNIK_AVX512 __mmask8 Step(__m512d cx, __m512d cy, __mmask8 inBox, __m256i& words) const {
        const __m512d zero = _mm512_setzero_pd(), one = _mm512_set1_pd(1.0);
        const __m512d qx = _mm512_sub_pd(cx, x0), qy = _mm512_sub_pd(cy, y0);
        const __m512d s =
            _mm512_mul_pd(_mm512_sub_pd(_mm512_mul_pd(qx, d2y), _mm512_mul_pd(d2x, qy)), inv);
        const __m512d t =
            _mm512_mul_pd(_mm512_sub_pd(_mm512_mul_pd(d1x, qy), _mm512_mul_pd(qx, d1y)), inv);
        __mmask8 in = inBox & _mm512_cmp_pd_mask(s, zero, _CMP_GE_OQ);
        in &= _mm512_cmp_pd_mask(t, zero, _CMP_GE_OQ);
        in &= _mm512_cmp_pd_mask(_mm512_add_pd(s, t), one, _CMP_LE_OQ);
        if (in == 0) return 0;
        words = ShadedTexels8(q, s, t, in, width, texels, shade);
        return in;
    }
};

VONNIK_AVX512 void ShadeTiles(const ShadedSide& q, const Raster& pic, Raster& frame) {
    const TileShader shader{q,
                            _mm512_set1_pd(q.x0),
                            _mm512_set1_pd(q.y0),
                            _mm512_set1_pd(q.d1x),
                            _mm512_set1_pd(q.d1y),
                            _mm512_set1_pd(q.d2x),
                            _mm512_set1_pd(q.d2y),
                            _mm512_set1_pd(q.inv),
                            _mm512_set1_pd(q.shade),
                            _mm256_set1_epi32(pic.Width()),
                            pic.Pixels().data()};
    const int columns = static_cast<int>(q.right - q.left) + 1;
    const double left = static_cast<double>(q.left) + 0.5;
    // r + 0.5 and c + 0.5 are exact, so the lanes' centres are those of their pixels.
    double cy = static_cast<double>(q.top) + 0.5;
    __m256i words;
    if (columns <= 4) {
        const __m512d cx =
            _mm512_add_pd(_mm512_set1_pd(left), _mm512_set_pd(3, 2, 1, 0, 3, 2, 1, 0));
        const __m512d below = _mm512_set_pd(1, 1, 1, 1, 0, 0, 0, 0);
        const auto row = static_cast<__mmask8>((1u << columns) - 1u);
        for (std::int64_t r = q.top; r <= q.bottom; r += 2, cy += 2.0) {
            const bool two = r < q.bottom;
            const __mmask8 inBox = two ? static_cast<__mmask8>(row | (row << 4)) : row;
            const __mmask8 in =
                shader.Step(cx, _mm512_add_pd(_mm512_set1_pd(cy), below), inBox, words);
            if (in == 0) continue;
            Pixel* upper = frame.Row(static_cast<int>(r)) + q.left;
            _mm_mask_storeu_epi32(upper, in & 0xF, _mm256_castsi256_si128(words));
            if (two)
                _mm_mask_storeu_epi32(frame.Row(static_cast<int>(r) + 1) + q.left,
                                      static_cast<__mmask8>(in >> 4),
                                      _mm256_extracti128_si256(words, 1));
        }
    } else {
        const __m512d cx =
            _mm512_add_pd(_mm512_set1_pd(left), _mm512_set_pd(7, 6, 5, 4, 3, 2, 1, 0));
        const auto inBox = static_cast<__mmask8>((1u << columns) - 1u);
        for (std::int64_t r = q.top; r <= q.bottom; ++r, cy += 1.0) {
            const __mmask8 in = shader.Step(cx, _mm512_set1_pd(cy), inBox, words);
            if (in != 0)
                _mm256_mask_storeu_epi32(frame.Row(static_cast<int>(r)) + q.left, in, words);
        }
    }
}

bool RunsOctets() {
    static const bool runs = __builtin_cpu_supports("avx512f") &&
                             __builtin_cpu_supports("avx512vl") &&
                             __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx2");
    return runs;
}

#pragma GCC diagnostic pop
#undef VONNIK_AVX512

bool RunsQuads() {
    static const bool runs = __builtin_cpu_supports("avx2");
    return runs;
}

#undef VONNIK_AVX2

#else

bool RunsOctets() {
    return false;
}
bool RunsQuads() {
    return false;
}
#endif

bool RunsPairs() {
#if defined(VONNIK_PAIRS)
    return true;
#else
    return false;
#endif
}

}  // namespace

bool DrawsSmallSidesAsTiles(FillKernel asked) {
    return (asked == FillKernel::kBest || asked == FillKernel::kTiles) && RunsOctets();
}

FillKernel RowKernelOf(FillKernel asked) {
    if ((asked == FillKernel::kOctets || asked == FillKernel::kTiles) && RunsOctets())
        return FillKernel::kOctets;
    if (asked != FillKernel::kPairs && asked != FillKernel::kScalar && RunsQuads())
        return FillKernel::kQuads;
    if (asked != FillKernel::kScalar && RunsPairs()) return FillKernel::kPairs;
    return FillKernel::kScalar;
}

bool ShadeSmallSide(const ShadedSide& side, const Raster& picture, Raster& frame,
                    FillKernel kernel) {
    if (!side.texelsInside || side.right - side.left >= 8 || !DrawsSmallSidesAsTiles(kernel))
        return false;
#if defined(VONNIK_QUADS)
    ShadeTiles(side, picture, frame);
    return true;
#else
    (void)picture, (void)frame;
    return false;
#endif
}

void ShadeSide(const ShadedSide& side, const Raster& picture, Raster& frame, FillKernel kernel) {
    if (!side.texelsInside) {
        ShadeScalar<false>(side, picture, frame);
        return;
    }
    switch (RowKernelOf(kernel)) {
#if defined(VONNIK_QUADS)
        case FillKernel::kOctets:
            ShadeOctets(side, picture, frame);
            return;
        case FillKernel::kQuads:
            ShadeQuads(side, picture, frame);
            return;
#endif
#if defined(VONNIK_PAIRS)
        case FillKernel::kPairs:
            ShadePairs(side, picture, frame);
            return;
#endif
        default:
            ShadeScalar<true>(side, picture, frame);
            return;
    }
}

}  // namespace vonnik::fill

namespace vonnik {

std::vector<FillKernel> RunnableFillKernels() {
    std::vector<FillKernel> kernels;
    if (fill::DrawsSmallSidesAsTiles(FillKernel::kTiles)) kernels.push_back(FillKernel::kTiles);
    for (FillKernel k : {FillKernel::kOctets, FillKernel::kQuads, FillKernel::kPairs})
        if (fill::RowKernelOf(k) == k) kernels.push_back(k);
    kernels.push_back(FillKernel::kScalar);
    return kernels;
}

const char* FillKernelName(FillKernel kernel) {
    switch (kernel) {
        case FillKernel::kBest:
            return "best";
        case FillKernel::kTiles:
            return "tiles (AVX-512, 8 pixels of a small side's box at a time)";
        case FillKernel::kOctets:
            return "octets (AVX-512, 8 pixels of a row at a time)";
        case FillKernel::kQuads:
            return "quads (AVX2, 4 pixels of a row at a time)";
        case FillKernel::kPairs:
            return "pairs (SSE2, 2 pixels of a row at a time)";
        case FillKernel::kScalar:
            return "scalar (one pixel at a time)";
    }
    return "unknown";
}

std::string DescribeFillKernels() {
    std::string text = "fill kernels on this processor:";
    const char* separator = " ";
    for (FillKernel k : RunnableFillKernels()) {
        text += separator;
        text += FillKernelName(k);
        separator = ", ";
    }
    text += "; the default draws ";
    if (fill::DrawsSmallSidesAsTiles(FillKernel::kBest))
        text += "sides at most eight columns wide with tiles and the rows of the others with ";
    else
        text += "every side's rows with ";
    const std::string rows = FillKernelName(fill::RowKernelOf(FillKernel::kBest));
    return text + rows.substr(0, rows.find(' '));
}

}  // namespace vonnik
