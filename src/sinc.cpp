// Windowed-sinc filters: a kernel of M+1 points is built once and convolved with every selected
// column of the whole file.
#include "sinc.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "frame.h"
#include "operations.h"
#include "readflag.h"
#include "spill.h"

namespace {

constexpr double PI = 3.141592653589793;

// Points kept of an M+1 point kernel.
size_t kept_points(unsigned M, size_t points) { return std::min(points, static_cast<size_t>(M) + 1); }

// Negates the kernel and adds 1 at its centre: the spectral inversion that turns a low-pass
// into a high-pass and a band-stop into a band-pass. `n` points of the kernel are kept.
void spectral_inversion(double* h, unsigned M, size_t n)
{
    for (size_t i = 0; i < n; ++i) h[i] = -h[i];
    if (M / 2 < n) h[M / 2] += 1.0;
}

}  // namespace

double blackman(double i_per_M) { return 0.42 - 0.5 * std::cos(2 * PI * i_per_M) + 0.08 * std::cos(4 * PI * i_per_M); }

double sinc(unsigned i, double fc, unsigned M)
{
    if (2ULL * i == M) return 2 * PI * fc;
    const double x = static_cast<double>(static_cast<long long>(i) - static_cast<long long>(M / 2));
    return std::sin(2 * PI * fc * x) / x;
}

std::unique_ptr<double[]> sinc_lowpass(double fc, unsigned M, size_t points)
{
    // Every point counts in the normalising sum, whether it is kept or not.
    const size_t n = kept_points(M, points);
    auto h = my_malloc(double, n);
    double sum = 0;
    for (size_t i = 0; i <= M; ++i) {
        const double v = sinc(static_cast<unsigned>(i), fc, M) * blackman(static_cast<double>(i) / M);
        if (i < n) h[i] = v;
        sum += v;
    }
    for (size_t i = 0; i < n; ++i) h[i] /= sum;
    return h;
}

std::unique_ptr<double[]> sinc_highpass(double fc, unsigned M, size_t points)
{
    auto h = sinc_lowpass(fc, M, points);
    spectral_inversion(h.get(), M, kept_points(M, points));
    return h;
}

std::unique_ptr<double[]> sinc_bandstop(double fcl, double fch, unsigned M, size_t points)
{
    auto h = sinc_lowpass(fcl, M, points);
    auto high = sinc_highpass(fch, M, points);
    for (size_t i = 0; i < kept_points(M, points); ++i) h[i] += high[i];
    return h;
}

std::unique_ptr<double[]> sinc_bandpass(double fcl, double fch, unsigned M, size_t points)
{
    auto h = sinc_bandstop(fcl, fch, M, points);
    spectral_inversion(h.get(), M, kept_points(M, points));
    return h;
}

void window_sinc(const char* namein, const char* nameout, const char* flagfile, const sinc_parameters* parameters,
                 size_t* vars, size_t* rows)
{
    announce("Vorn: Filter ", "Apply filter to selected columns\n");
    // A one-point kernel has no window (its only argument would be 0/0), and a negative count
    // would stand for a kernel of some four billion points: refuse both before any file is touched.
    if (parameters->M <= 0) error("M should be at least 2\n");
    const unsigned M = static_cast<unsigned>(parameters->M);

    frame f(namein, nameout, {.flagfile = flagfile, .budgeted = true, .takes_back = true});
    const size_t antal = f.columns();
    const size_t lines = get_rows(f.pair().in, antal, !settings.quiet, nullptr, f.pair().namein);
    printflagged(stderr, f.marks().data(), antal);

    std::unique_ptr<double[]> h;
    if (antal > 0 && lines > 0) {
        // No output row reaches further than the last row: a kernel longer than the data is kept
        // only as far as the data goes.
        const size_t points = std::min(static_cast<size_t>(M) + 1, lines);
        switch (parameters->filter_type) {
        case LOWPASS: h = sinc_lowpass(parameters->fcl, M, points); break;
        case HIGHPASS: h = sinc_highpass(parameters->fch, M, points); break;
        case BANDPASS: h = sinc_bandpass(parameters->fcl, parameters->fch, M, points); break;
        case BANDSTOP: h = sinc_bandstop(parameters->fcl, parameters->fch, M, points); break;
        default: error("Unknown filter type\n");
        }
    }

    if (h) {
        // M + 1 rows as read (no more than the file has) are all the filter needs: output row n is
        // centred on input row n + M/2 and written once row n + M is in. Each row is kept twice, at
        // slots s and s + ring, so that the rows n .. n + ring - 1 lie one after another from slot
        // n mod ring.
        const size_t taps = static_cast<size_t>(M) + 1;
        const size_t ring = std::min(taps, lines);
        const std::string what =
            "the filter's window of " + std::to_string(2 * ring) + " rows of " + std::to_string(antal) + " columns";
        budget_count((2 * ring + 1) * antal * sizeof(double), 0, what.c_str());
        const row_table window = make_row_table(2 * ring, antal);
        auto out = my_malloc(double, antal);
        // Output row n; samples past the last row count as 0, so the last M rows see fewer terms.
        const auto emit = [&](size_t n) {
            const size_t kend = std::min(taps, lines - n);
            const double* const x = window[n % ring];
            for (size_t c = 0; c < antal; ++c) {
                if (!f.marks()[c]) {
                    out[c] = x[c];
                    continue;
                }
                double y = 0;
                for (size_t k = 0; k < kend; ++k) y += h[k] * x[k * antal + c];
                out[c] = y;
            }
            f.write(out.get(), antal);
        };

        if (!settings.quiet) message("Filtering...\r");
        // Comment lines among the data are queued, not written; rows after the counted ones are
        // never read.
        counted_rows source(f, lines, {.comments = comments_at::queued, .to_the_end = false});
        for (size_t i = 0; i < lines; ++i) {
            double* const slot = window[i % ring];
            source.next(slot);
            std::copy_n(slot, antal, window[i % ring + ring]);
            if (i >= M) emit(i - M);
        }
        for (size_t n = lines > M ? lines - M : 0; n < lines; ++n) emit(n);
        if (!settings.quiet) message("Filtering done\n");
        if (!settings.quiet) std::fputc('\n', stderr);
    }
    f.finish(vars, rows, lines);
}
