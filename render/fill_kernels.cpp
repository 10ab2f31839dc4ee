#include "render/fill_kernels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

// VONNIK_NO_SIMD (the build switch of the same name) leaves only the scalar kernel.
#if defined(__SSE2__) && defined(__x86_64__) && defined(__GNUC__) && !defined(VONNIK_NO_SIMD)
#include <immintrin.h>
#define VONNIK_VECTORS 1
#endif

namespace vonnik::fill {
namespace {

// The columns first..last of row r that lie between the side's column limits (also as
// doubles, whole numbers within the frame's columns), and the row's qy = (r + 0.5) - y0.
struct RowRun {
    double qy, lo, hi;
    std::int64_t first, last;
};

// Row r's run: false when it is empty. Every kernel that scans rows steps through them so.
inline bool RunOf(const ShadedSide& q, std::int64_t r, RowRun& run) {
    run.qy = (r + 0.5) - q.y0;
    const double lo =
        std::max(std::max(static_cast<double>(q.left), q.lowOffset[0] + q.lowSlope[0] * run.qy),
                 q.lowOffset[1] + q.lowSlope[1] * run.qy);
    const double hi =
        std::min(std::min(static_cast<double>(q.right), q.highOffset[0] + q.highSlope[0] * run.qy),
                 q.highOffset[1] + q.highSlope[1] * run.qy);
    if (lo > hi) return false;
    run.lo = std::ceil(lo);
    run.hi = std::floor(hi);
    run.first = static_cast<std::int64_t>(run.lo);
    run.last = static_cast<std::int64_t>(run.hi);
    return true;
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
    for (std::int64_t r = q.top; r <= q.bottom; ++r) {
        RowRun run;
        if (!RunOf(q, r, run)) continue;
        Pixel* row = frame.Row(static_cast<int>(r));
        const double bq = q.d2x * run.qy, cq = q.d1x * run.qy;
        // c + 0.5 is exact, so counting centres in doubles gives the same qx as converting c.
        double cx = run.lo + 0.5;
        for (std::int64_t c = run.first; c <= run.last; ++c, cx += 1.0) {
            const double qx = cx - q.x0;
            const double s = (qx * q.d2y - bq) * q.inv;
            const double t = (cq - qx * q.d1y) * q.inv;
            if (!(s >= 0.0 && t >= 0.0 && s + t <= 1.0)) continue;
            const double u = q.dt1x * s + q.t0x + q.dt2x * t;
            const double v = q.dt1y * s + q.t0y + q.dt2y * t;
            row[c] = Shade(TexelAt<kTexelsInside>(pic, u, v), q.shade);
        }
    }
}

#if defined(VONNIK_VECTORS)

// The vector units' lane operations; render/fill_lanes.inc builds the kernels on them, once
// for each unit. Texel indices are 32-bit (texelsInside implies a picture they can index).

// Two lanes with SSE2, which every x86-64 processor has. Ints holds the two lanes' 32-bit
// values in its low half.
namespace pairs {
#define VONNIK_LANES
constexpr int kCount = 2;
using Doubles = __m128d;
using Mask = __m128d;  // all ones in each lane that holds
using Ints = __m128i;

inline Doubles Set(double v) {
    return _mm_set1_pd(v);
}
inline Doubles Load(const double* p) {
    return _mm_loadu_pd(p);
}
inline Doubles Add(Doubles a, Doubles b) {
    return _mm_add_pd(a, b);
}
inline Doubles Sub(Doubles a, Doubles b) {
    return _mm_sub_pd(a, b);
}
inline Doubles Mul(Doubles a, Doubles b) {
    return _mm_mul_pd(a, b);
}
inline Mask GreaterEqual(Doubles a, Doubles b) {
    return _mm_cmpge_pd(a, b);
}
inline Mask LessEqual(Doubles a, Doubles b) {
    return _mm_cmple_pd(a, b);
}
inline Mask And(Mask a, Mask b) {
    return _mm_and_pd(a, b);
}
inline bool None(Mask m) {
    return _mm_movemask_pd(m) == 0;
}
inline Ints Truncate(Doubles v) {
    return _mm_cvttpd_epi32(v);
}
inline Doubles ToDoubles(Ints v) {
    return _mm_cvtepi32_pd(v);
}
template <int kShift>
inline Ints Byte(Ints v) {
    return _mm_and_si128(_mm_srli_epi32(v, kShift), _mm_set1_epi32(0xFF));
}
template <int kShift>
inline Ints ShiftLeft(Ints v) {
    return _mm_slli_epi32(v, kShift);
}
inline Ints Or(Ints a, Ints b) {
    return _mm_or_si128(a, b);
}

struct Picture {
    Doubles width;
    const Pixel* texels;

    // Row times width plus column, in doubles (SSE2 multiplies no 32-bit lanes): exact, as
    // every index is below 2^31.
    Ints IndexOf(Ints u, Ints v) const {
        return Truncate(Add(Mul(ToDoubles(v), width), ToDoubles(u)));
    }
    Ints Select(Mask drawn, Ints at) const {
        return _mm_and_si128(at,
                             _mm_shuffle_epi32(_mm_castpd_si128(drawn), _MM_SHUFFLE(3, 3, 2, 0)));
    }
    Ints Fetch(Ints at) const {
        return _mm_unpacklo_epi32(
            _mm_cvtsi32_si128(static_cast<int>(texels[_mm_cvtsi128_si32(at)])),
            _mm_cvtsi32_si128(static_cast<int>(texels[_mm_cvtsi128_si32(_mm_srli_si128(at, 4))])));
    }
};
inline Picture PictureOf(const Raster& pic) {
    return {Set(pic.Width()), pic.Pixels().data()};
}

inline void Store(Pixel* at, Mask m, Ints words) {
    const int drawn = _mm_movemask_pd(m);
    if (drawn == 3)
        _mm_storel_epi64(reinterpret_cast<__m128i*>(at), words);
    else if (drawn == 1)
        at[0] = static_cast<Pixel>(_mm_cvtsi128_si32(words));
    else if (drawn == 2)
        at[1] = static_cast<Pixel>(_mm_cvtsi128_si32(_mm_srli_si128(words, 4)));
}
// Lane 0 to upper, lane 1 to lower.
inline void StoreHalves(Pixel* upper, Pixel* lower, Mask m, Ints words) {
    const int drawn = _mm_movemask_pd(m);
    if (drawn & 1) upper[0] = static_cast<Pixel>(_mm_cvtsi128_si32(words));
    if (drawn & 2) lower[0] = static_cast<Pixel>(_mm_cvtsi128_si32(_mm_srli_si128(words, 4)));
}

#include "render/fill_lanes.inc"
#undef VONNIK_LANES
}  // namespace pairs

// Four lanes with AVX2.
namespace quads {
#define VONNIK_LANES __attribute__((target("avx2")))
constexpr int kCount = 4;
using Doubles = __m256d;
using Mask = __m256d;  // all ones in each lane that holds
using Ints = __m128i;

VONNIK_LANES inline Doubles Set(double v) {
    return _mm256_set1_pd(v);
}
VONNIK_LANES inline Doubles Load(const double* p) {
    return _mm256_loadu_pd(p);
}
VONNIK_LANES inline Doubles Add(Doubles a, Doubles b) {
    return _mm256_add_pd(a, b);
}
VONNIK_LANES inline Doubles Sub(Doubles a, Doubles b) {
    return _mm256_sub_pd(a, b);
}
VONNIK_LANES inline Doubles Mul(Doubles a, Doubles b) {
    return _mm256_mul_pd(a, b);
}
VONNIK_LANES inline Mask GreaterEqual(Doubles a, Doubles b) {
    return _mm256_cmp_pd(a, b, _CMP_GE_OQ);
}
VONNIK_LANES inline Mask LessEqual(Doubles a, Doubles b) {
    return _mm256_cmp_pd(a, b, _CMP_LE_OQ);
}
VONNIK_LANES inline Mask And(Mask a, Mask b) {
    return _mm256_and_pd(a, b);
}
VONNIK_LANES inline bool None(Mask m) {
    return _mm256_testz_pd(m, m) != 0;
}
VONNIK_LANES inline Ints Truncate(Doubles v) {
    return _mm256_cvttpd_epi32(v);
}
VONNIK_LANES inline Doubles ToDoubles(Ints v) {
    return _mm256_cvtepi32_pd(v);
}
template <int kShift>
VONNIK_LANES inline Ints Byte(Ints v) {
    return _mm_and_si128(_mm_srli_epi32(v, kShift), _mm_set1_epi32(0xFF));
}
template <int kShift>
VONNIK_LANES inline Ints ShiftLeft(Ints v) {
    return _mm_slli_epi32(v, kShift);
}
VONNIK_LANES inline Ints Or(Ints a, Ints b) {
    return _mm_or_si128(a, b);
}

// The low 32 bits of each 64-bit lane: a lane mask as one of 32-bit lanes.
VONNIK_LANES inline Ints Narrow(Mask m) {
    const __m128 low = _mm_castpd_ps(_mm256_castpd256_pd128(m));
    const __m128 high = _mm_castpd_ps(_mm256_extractf128_pd(m, 1));
    return _mm_castps_si128(_mm_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0)));
}

struct Picture {
    Ints width;
    const Pixel* texels;

    VONNIK_LANES Ints IndexOf(Ints u, Ints v) const {
        return _mm_add_epi32(_mm_mullo_epi32(v, width), u);
    }
    VONNIK_LANES Ints Select(Mask drawn, Ints at) const { return _mm_and_si128(at, Narrow(drawn)); }
    // Four plain loads: the gather instruction is slow on some processors.
    VONNIK_LANES Ints Fetch(Ints at) const {
        const auto element = [this](int k) {
            return static_cast<int>(texels[static_cast<std::uint32_t>(k)]);
        };
        return _mm_set_epi32(element(_mm_extract_epi32(at, 3)), element(_mm_extract_epi32(at, 2)),
                             element(_mm_extract_epi32(at, 1)), element(_mm_cvtsi128_si32(at)));
    }
};
VONNIK_LANES inline Picture PictureOf(const Raster& pic) {
    return {_mm_set1_epi32(pic.Width()), pic.Pixels().data()};
}

VONNIK_LANES inline void Store(Pixel* at, Mask m, Ints words) {
    _mm_maskstore_epi32(reinterpret_cast<int*>(at), Narrow(m), words);
}
// Lanes 0 and 1 to upper, 2 and 3 to lower.
VONNIK_LANES inline void StoreHalves(Pixel* upper, Pixel* lower, Mask m, Ints words) {
    const Ints drawn = Narrow(m);
    _mm_maskstore_epi32(reinterpret_cast<int*>(upper),
                        _mm_unpacklo_epi64(drawn, _mm_setzero_si128()), words);
    const Ints below = _mm_unpackhi_epi64(drawn, _mm_setzero_si128());
    if (!_mm_testz_si128(below, below))
        _mm_maskstore_epi32(reinterpret_cast<int*>(lower), below, _mm_unpackhi_epi64(words, words));
}

#include "render/fill_lanes.inc"
#undef VONNIK_LANES
}  // namespace quads

// Eight lanes with AVX-512, with mask registers for the lanes that hold.
// GCC 12's AVX-512 headers start conversions from an "undefined" register, which its own
// -Wmaybe-uninitialized then reports at every call.
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
namespace octets {
#define VONNIK_LANES __attribute__((target("avx512f,avx512vl,avx512dq,avx2")))
constexpr int kCount = 8;
using Doubles = __m512d;
using Mask = __mmask8;
using Ints = __m256i;

VONNIK_LANES inline Doubles Set(double v) {
    return _mm512_set1_pd(v);
}
VONNIK_LANES inline Doubles Load(const double* p) {
    return _mm512_loadu_pd(p);
}
VONNIK_LANES inline Doubles Add(Doubles a, Doubles b) {
    return _mm512_add_pd(a, b);
}
VONNIK_LANES inline Doubles Sub(Doubles a, Doubles b) {
    return _mm512_sub_pd(a, b);
}
VONNIK_LANES inline Doubles Mul(Doubles a, Doubles b) {
    return _mm512_mul_pd(a, b);
}
VONNIK_LANES inline Mask GreaterEqual(Doubles a, Doubles b) {
    return _mm512_cmp_pd_mask(a, b, _CMP_GE_OQ);
}
VONNIK_LANES inline Mask LessEqual(Doubles a, Doubles b) {
    return _mm512_cmp_pd_mask(a, b, _CMP_LE_OQ);
}
VONNIK_LANES inline Mask And(Mask a, Mask b) {
    return static_cast<Mask>(a & b);
}
VONNIK_LANES inline bool None(Mask m) {
    return m == 0;
}
VONNIK_LANES inline Ints Truncate(Doubles v) {
    return _mm512_cvttpd_epi32(v);
}
VONNIK_LANES inline Doubles ToDoubles(Ints v) {
    return _mm512_cvtepi32_pd(v);
}
template <int kShift>
VONNIK_LANES inline Ints Byte(Ints v) {
    return _mm256_and_si256(_mm256_srli_epi32(v, kShift), _mm256_set1_epi32(0xFF));
}
template <int kShift>
VONNIK_LANES inline Ints ShiftLeft(Ints v) {
    return _mm256_slli_epi32(v, kShift);
}
VONNIK_LANES inline Ints Or(Ints a, Ints b) {
    return _mm256_or_si256(a, b);
}

struct Picture {
    Ints width;
    const Pixel* texels;

    VONNIK_LANES Ints IndexOf(Ints u, Ints v) const {
        return _mm256_add_epi32(_mm256_mullo_epi32(v, width), u);
    }
    VONNIK_LANES Ints Select(Mask drawn, Ints at) const {
        return _mm256_maskz_mov_epi32(drawn, at);
    }
    // One gather: on the processors with AVX-512 it beats eight plain loads.
    VONNIK_LANES Ints Fetch(Ints at) const {
        return _mm256_i32gather_epi32(reinterpret_cast<const int*>(texels), at, 4);
    }
};
VONNIK_LANES inline Picture PictureOf(const Raster& pic) {
    return {_mm256_set1_epi32(pic.Width()), pic.Pixels().data()};
}

VONNIK_LANES inline void Store(Pixel* at, Mask m, Ints words) {
    _mm256_mask_storeu_epi32(at, m, words);
}
// Lanes 0 to 3 to upper, 4 to 7 to lower.
VONNIK_LANES inline void StoreHalves(Pixel* upper, Pixel* lower, Mask m, Ints words) {
    _mm_mask_storeu_epi32(upper, static_cast<__mmask8>(m & 0xF), _mm256_castsi256_si128(words));
    if (m >> 4)
        _mm_mask_storeu_epi32(lower, static_cast<__mmask8>(m >> 4),
                              _mm256_extracti128_si256(words, 1));
}

#include "render/fill_lanes.inc"
#undef VONNIK_LANES
}  // namespace octets
#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif

bool RunsOctets() {
    static const bool runs = __builtin_cpu_supports("avx512f") &&
                             __builtin_cpu_supports("avx512vl") &&
                             __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx2");
    return runs;
}

bool RunsQuads() {
    static const bool runs = __builtin_cpu_supports("avx2");
    return runs;
}

bool RunsPairs() {
    return true;
}

#else

bool RunsOctets() {
    return false;
}
bool RunsQuads() {
    return false;
}
bool RunsPairs() {
    return false;
}

#endif

// The widest box drawn as tiles, by the widest vector unit the processor runs, 0 for none:
// eight columns, one step a row with AVX-512 and two with AVX2, or two with SSE2.
int TileColumnsOfWidest() {
#if defined(VONNIK_VECTORS)
    if (RunsOctets()) return 8;
    if (RunsQuads()) return 8;
    if (RunsPairs()) return 2;
#endif
    return 0;
}

// The widest row kernel that the processor runs and `asked` allows.
FillKernel RowKernelChosen(FillKernel asked) {
    if ((asked == FillKernel::kOctets || asked == FillKernel::kTiles ||
         asked == FillKernel::kBest) &&
        RunsOctets())
        return FillKernel::kOctets;
    if (asked != FillKernel::kPairs && asked != FillKernel::kScalar && RunsQuads())
        return FillKernel::kQuads;
    if (asked != FillKernel::kScalar && RunsPairs()) return FillKernel::kPairs;
    return FillKernel::kScalar;
}

}  // namespace

int TileColumnsOf(FillKernel asked) {
    static const int widest = TileColumnsOfWidest();
    return asked == FillKernel::kBest || asked == FillKernel::kTiles ? widest : 0;
}

FillKernel RowKernelOf(FillKernel asked) {
    static const auto chosen = [] {
        std::array<FillKernel, kFillKernelCount> table{};
        for (int k = 0; k < kFillKernelCount; ++k)
            table[static_cast<std::size_t>(k)] = RowKernelChosen(static_cast<FillKernel>(k));
        return table;
    }();
    const auto k = static_cast<std::size_t>(asked);
    return k < chosen.size() ? chosen[k] : FillKernel::kScalar;
}

bool ShadeSmallSide(const ShadedSide& side, const Raster& picture, Raster& frame,
                    FillKernel kernel) {
    const int columns = TileColumnsOf(kernel);
    if (!side.texelsInside || side.right - side.left >= columns) return false;
#if defined(VONNIK_VECTORS)
    if (RunsOctets())
        octets::ShadeTiles(side, picture, frame);
    else if (RunsQuads())
        quads::ShadeTiles(side, picture, frame);
    else
        pairs::ShadeTiles(side, picture, frame);
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
#if defined(VONNIK_VECTORS)
        case FillKernel::kOctets:
            octets::ShadeRows(side, picture, frame);
            return;
        case FillKernel::kQuads:
            quads::ShadeRows(side, picture, frame);
            return;
        case FillKernel::kPairs:
            pairs::ShadeRows(side, picture, frame);
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
    if (fill::TileColumnsOf(FillKernel::kTiles) > 0) kernels.push_back(FillKernel::kTiles);
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
            if (fill::RunsOctets())
                return "tiles (AVX-512, 8 pixels of a small side's box at a time)";
            if (fill::RunsQuads()) return "tiles (AVX2, 4 pixels of a small side's box at a time)";
            return "tiles (SSE2, 2 pixels of a small side's box at a time)";
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
    std::string text;
    const char* separator = "";
    for (FillKernel k : RunnableFillKernels()) {
        text += separator;
        text += FillKernelName(k);
        separator = ", ";
    }
    text += "; the default draws ";
    const int columns = fill::TileColumnsOf(FillKernel::kBest);
    if (columns > 0)
        text += "sides at most " + std::to_string(columns) +
                " columns wide with tiles and the rows of the others with ";
    else
        text += "every side's rows with ";
    const std::string rows = FillKernelName(fill::RowKernelOf(FillKernel::kBest));
    return text + rows.substr(0, rows.find(' '));
}

}  // namespace vonnik
