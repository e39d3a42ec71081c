// The windowed-sinc kernels and the mode rules of the running average.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "running-average.h"
#include "sinc.h"

namespace {

constexpr double kPi = 3.141592653589793;

double sum(const double* h, int M)
{
    double s = 0;
    for (int i = 0; i <= M; ++i) s += h[i];
    return s;
}

// Magnitude of the kernel's frequency response at f cycles per row.
double gain(const double* h, int M, double f)
{
    std::complex<double> H = 0;
    for (int k = 0; k <= M; ++k) H += h[k] * std::polar(1.0, -2 * kPi * f * k);
    return std::abs(H);
}

void expect_symmetric(const double* h, int M)
{
    for (int i = 0; i <= M; ++i) EXPECT_NEAR(h[i], h[M - i], 1e-15) << "point " << i << " of " << M;
}

TEST(SincKernel, LowPassIsNormalisedSymmetricAndPassesLowFrequencies)
{
    for (int M : {2, 4, 10, 40, 100}) {
        const auto h = sinc_lowpass(0.1, M);
        EXPECT_NEAR(sum(h.get(), M), 1.0, 1e-14) << M;
        expect_symmetric(h.get(), M);
        EXPECT_GT(h[M / 2], h[M / 2 + 1]) << "the peak is at the centre";
    }
    const auto h = sinc_lowpass(0.1, 100);
    EXPECT_NEAR(gain(h.get(), 100, 0.02), 1.0, 1e-3);
    EXPECT_NEAR(gain(h.get(), 100, 0.1), 0.5, 0.02);  // the cut-off is the half-amplitude point
    EXPECT_LT(gain(h.get(), 100, 0.2), 1e-3);
    EXPECT_LT(gain(h.get(), 100, 0.5), 1e-3);
}

TEST(SincKernel, HighPassIsTheSpectralInversionOfTheLowPass)
{
    const int M = 60;
    const auto lp = sinc_lowpass(0.15, M);
    const auto hp = sinc_highpass(0.15, M);
    for (int i = 0; i <= M; ++i) EXPECT_DOUBLE_EQ(hp[i], (i == M / 2 ? 1.0 : 0.0) - lp[i]) << i;
    EXPECT_NEAR(sum(hp.get(), M), 0.0, 1e-14);
    expect_symmetric(hp.get(), M);
    EXPECT_NEAR(gain(hp.get(), M, 0.45), 1.0, 1e-3);
}

TEST(SincKernel, BandStopAndBandPassAreComplements)
{
    const int M = 100;
    const auto bs = sinc_bandstop(0.1, 0.3, M);
    const auto bp = sinc_bandpass(0.1, 0.3, M);
    const auto lp = sinc_lowpass(0.1, M);
    const auto hp = sinc_highpass(0.3, M);
    for (int i = 0; i <= M; ++i) {
        EXPECT_DOUBLE_EQ(bs[i], lp[i] + hp[i]) << i;
        EXPECT_DOUBLE_EQ(bp[i], (i == M / 2 ? 1.0 : 0.0) - bs[i]) << i;
    }
    expect_symmetric(bs.get(), M);
    expect_symmetric(bp.get(), M);
    // Band-stop: passes 0 and 0.45, stops 0.2; band-pass the other way round.
    EXPECT_NEAR(sum(bs.get(), M), 1.0, 1e-14);
    EXPECT_NEAR(gain(bs.get(), M, 0.2), 0.0, 1e-3);
    EXPECT_NEAR(gain(bs.get(), M, 0.45), 1.0, 1e-3);
    EXPECT_NEAR(sum(bp.get(), M), 0.0, 1e-14);
    EXPECT_NEAR(gain(bp.get(), M, 0.2), 1.0, 1e-3);
    EXPECT_NEAR(gain(bp.get(), M, 0.45), 0.0, 1e-3);
}

TEST(SincKernel, ShortenedKernelKeepsTheLeadingPointsOfTheWholeOne)
{
    // Normalised over all M+1 points whatever is kept, so the kept points are bit for bit those
    // of the whole kernel; the centre's spectral inversion only applies when the centre is kept.
    const unsigned M = 40;
    for (size_t points : {1, 7, 21, 22, 41}) {
        const auto lp = sinc_lowpass(0.1, M), lp_short = sinc_lowpass(0.1, M, points);
        const auto hp = sinc_highpass(0.2, M), hp_short = sinc_highpass(0.2, M, points);
        const auto bs = sinc_bandstop(0.1, 0.3, M), bs_short = sinc_bandstop(0.1, 0.3, M, points);
        const auto bp = sinc_bandpass(0.1, 0.3, M), bp_short = sinc_bandpass(0.1, 0.3, M, points);
        for (size_t i = 0; i < points; ++i) {
            EXPECT_EQ(lp_short[i], lp[i]) << points << " " << i;
            EXPECT_EQ(hp_short[i], hp[i]) << points << " " << i;
            EXPECT_EQ(bs_short[i], bs[i]) << points << " " << i;
            EXPECT_EQ(bp_short[i], bp[i]) << points << " " << i;
        }
    }
}

TEST(SincKernel, PointCountIsUnsigned)
{
    // M = 0 leaves the lone window argument at 0/0: the kernel is not a number (which is why the
    // filter operation refuses that M).
    EXPECT_TRUE(std::isnan(sinc_lowpass(0.1, 0)[0]));
    // A count beyond the int range still measures the offset from the centre with its sign.
    const unsigned M = 4294967294u;
    const double x = -2147483647.0;
    EXPECT_EQ(sinc(0, 0.1, M), std::sin(2 * kPi * 0.1 * x) / x);
    EXPECT_EQ(sinc(M, 0.1, M), std::sin(2 * kPi * 0.1 * -x) / -x);
    EXPECT_EQ(sinc(M / 2, 0.1, M), 2 * kPi * 0.1);
}

TEST(RunningAverage, DivisorAndRowOfTheUnselectedColumnsPerMode)
{
    EXPECT_EQ(get_filtertaps(pma_add_zeros, 1, 3), 3u);
    EXPECT_EQ(get_filtertaps(pma_reduce_n, 2, 3), 2u);
    EXPECT_EQ(get_filtertaps(pma_reduce_n, 7, 3), 3u);
    // The windowed modes always divide by the window; asking them for a divisor is an error.
    EXPECT_EXIT(get_filtertaps(pma_reduce_other, 1, 3), testing::ExitedWithCode(1), "uknown running average mode");
    EXPECT_EXIT(get_filtertaps(cma_reduce_other, 1, 3), testing::ExitedWithCode(1), "uknown running average mode");
    // the row the unselected columns come from
    EXPECT_EQ(get_filterstart(pma_reduce_other, 3), 1u);
    EXPECT_EQ(get_filterstart(pma_reduce_other, 4), 2u);  // the third row of a four-row window
    EXPECT_EQ(get_filterstart(cma_reduce_other, 4), 3u);
}

}  // namespace
