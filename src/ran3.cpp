// The subtractive uniform generator. Its table lives for the whole process, so successive draws
// in one run continue one sequence; the state word starts at -1, so every run starts alike.
#include "ran3.h"

#include <cstdlib>

namespace {

constexpr long MBIG = 1000000000;
constexpr long MSEED = 161803398;
constexpr long MZ = 0;
constexpr double FAC = 1.0 / MBIG;

long ma[56];  // entries 1 … 55 are used
int inext = 0;
int inextp = 0;
int iff = 0;

}  // namespace

float ran3(long* local_idum)
{
    if (*local_idum < 0 || iff == 0) {
        iff = 1;
        // The remainder keeps the sign of the dividend: a seed above MSEED starts negative.
        long mj = (MSEED - std::labs(*local_idum)) % MBIG;
        ma[55] = mj;
        long mk = 1;
        for (int i = 1; i <= 54; ++i) {
            const int ii = (21 * i) % 55;
            ma[ii] = mk;
            const long old_mk = mk;
            mk = mj - mk;
            if (mk < MZ) mk += MBIG;
            mj = old_mk;
        }
        for (int k = 1; k <= 4; ++k)
            for (int i = 1; i <= 55; ++i) {
                ma[i] -= ma[1 + (i + 30) % 55];
                if (ma[i] < MZ) ma[i] += MBIG;
            }
        inext = 0;
        inextp = 31;
        *local_idum = 1;
    }
    if (++inext == 56) inext = 1;
    if (++inextp == 56) inextp = 1;
    long mj = ma[inext] - ma[inextp];
    if (mj < MZ) mj += MBIG;
    ma[inext] = mj;
    // The largest values round to exactly 1.0 in single precision.
    return static_cast<float>(mj * FAC);
}
