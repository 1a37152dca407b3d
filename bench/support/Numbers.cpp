#include "bench/support/Numbers.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

bool PositiveNumber(const std::string& text, uint64_t& value) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long n = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])) || *end != '\0' || errno != 0 || n == 0 ||
        n >= 1000000)
        return false;
    value = n;
    return true;
}
