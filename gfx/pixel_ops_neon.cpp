// The NEON path of 64-bit ARM: the shared row kernels compiled for 128-bit registers, four pixels
// per step. Every aarch64 processor has NEON, so no flag and no run-time check is needed.
#include "gfx/pixel_ops_kernels.h"

#if defined(__aarch64__)
#include "gfx/pixel_ops_vector.h"
#include "gfx/simd_neon.h"
#include "gfx/text_reduce_vector.h"

namespace hk::pixel_ops {
namespace {

using simd::Neon;

const RowKernels kNeon = {BlendRow<Neon>,
                          DrawAlphaRow<Neon>,
                          RuleBlendRow<Neon>,
                          text_reduce::CoverageRow<Neon>,
                          text_reduce::LevelWeights<Neon>,
                          text_reduce::ReduceRow<Neon>,
                          text_reduce::BlendGrey8Row<Neon>};

} // namespace

const RowKernels* const kNeonKernels = &kNeon;

} // namespace hk::pixel_ops

#else

namespace hk::pixel_ops {
const RowKernels* const kNeonKernels = nullptr;
} // namespace hk::pixel_ops

#endif
