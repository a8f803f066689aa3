// The AVX2 path: the shared row kernels compiled for 256-bit registers, eight pixels per step.
// This file is compiled with AVX2 enabled (on x86-64 targets only) and only called after the
// processor has been checked; it uses nothing from the standard library that the linker could
// share with code built without AVX2.
#include "gfx/pixel_ops_kernels.h"

#if defined(__AVX2__)
#include "gfx/pixel_ops_vector.h"
#include "gfx/simd_avx2.h"
#include "gfx/text_reduce_vector.h"

namespace hk::pixel_ops {
namespace {

using simd::Avx2;

const RowKernels kAvx2 = {BlendRow<Avx2>,
                          DrawAlphaRow<Avx2>,
                          RuleBlendRow<Avx2>,
                          text_reduce::CoverageRow<Avx2>,
                          text_reduce::LevelWeights<Avx2>,
                          text_reduce::ReduceRow<Avx2>,
                          text_reduce::BlendGrey8Row<Avx2>};

} // namespace

const RowKernels* const kAvx2Kernels = &kAvx2;

} // namespace hk::pixel_ops

#else

namespace hk::pixel_ops {
const RowKernels* const kAvx2Kernels = nullptr;
} // namespace hk::pixel_ops

#endif
