// The SSE2 path, the baseline every x86-64 processor runs: the shared row kernels compiled for
// 128-bit registers, four pixels per step.
#include "gfx/pixel_ops_kernels.h"

#if defined(__SSE2__)
#include "gfx/pixel_ops_vector.h"
#include "gfx/simd_sse2.h"
#include "gfx/text_reduce_vector.h"

namespace hk::pixel_ops {
namespace {

using simd::Sse2;

const RowKernels kSse2 = {BlendRow<Sse2>,
                          DrawAlphaRow<Sse2>,
                          RuleBlendRow<Sse2>,
                          text_reduce::CoverageRow<Sse2>,
                          text_reduce::LevelWeights<Sse2>,
                          text_reduce::ReduceRow<Sse2>,
                          text_reduce::BlendGrey8Row<Sse2>};

} // namespace

const RowKernels* const kSse2Kernels = &kSse2;

} // namespace hk::pixel_ops

#else

namespace hk::pixel_ops {
const RowKernels* const kSse2Kernels = nullptr;
} // namespace hk::pixel_ops

#endif
