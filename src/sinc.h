// Blackman-windowed sinc kernels for the low-pass, high-pass, band-pass and band-stop filters.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

// Blackman window at position i/M of the kernel (0 and 1 are the ends, 0.5 the centre).
double blackman(double i_per_M);
// The unnormalised sinc at point i of an M+1 point kernel with cut-off fc (cycles per row).
double sinc(unsigned i, double fc, unsigned M);

// Each builder returns a new kernel of M+1 points; M is even. With M = 0 the lone window
// argument is 0/0, so the kernel is not a number (the filter operation refuses that M).
// With `points` below M+1 only the first `points` values are kept (a filter never uses more
// points than the data has rows); they are the same values, normalised over all M+1 points.
std::unique_ptr<double[]> sinc_lowpass(double fc, unsigned M, size_t points = SIZE_MAX);
std::unique_ptr<double[]> sinc_highpass(double fc, unsigned M, size_t points = SIZE_MAX);
std::unique_ptr<double[]> sinc_bandstop(double fcl, double fch, unsigned M, size_t points = SIZE_MAX);
std::unique_ptr<double[]> sinc_bandpass(double fcl, double fch, unsigned M, size_t points = SIZE_MAX);
