// Blackman-windowed sinc kernels for the low-pass, high-pass, band-pass and band-stop filters.
#pragma once
#include <memory>

// Blackman window at position i/M of the kernel (0 and 1 are the ends, 0.5 the centre).
double blackman(double i_per_M);
// The unnormalised sinc at point i of an M+1 point kernel with cut-off fc (cycles per row).
double sinc(int i, double fc, int M);

// Each builder returns a new kernel of M+1 points. M is even; M = 0 gives the one-point kernel
// of the same type (low-pass and band-stop: 1; high-pass and band-pass: 0).
std::unique_ptr<double[]> sinc_lowpass(double fc, int M);
std::unique_ptr<double[]> sinc_highpass(double fc, int M);
std::unique_ptr<double[]> sinc_bandstop(double fcl, double fch, int M);
std::unique_ptr<double[]> sinc_bandpass(double fcl, double fch, int M);
