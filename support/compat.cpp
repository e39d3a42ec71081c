#include "compat.h"

#include <cstring>

size_t strlcpy(char* d, const char* s, size_t bufsize)
{
    const size_t len = std::strlen(s);
    if (bufsize > 0) {
        const size_t n = len < bufsize - 1 ? len : bufsize - 1;
        std::memcpy(d, s, n);
        d[n] = '\0';
    }
    return len;
}
