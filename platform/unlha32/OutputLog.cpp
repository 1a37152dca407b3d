#include "platform/unlha32/OutputLog.h"

#include <cstring>

namespace lha {

void OutputLog::CopyTo(char* buffer, uint32_t size) const {
    if (!buffer || size == 0)
        return;
    size_t n = std::min<size_t>(text_.size(), size - 1);
    while (n > 0 && n < text_.size() && (static_cast<uint8_t>(text_[n]) & 0xC0) == 0x80)
        --n;
    std::memcpy(buffer, text_.data(), n);
    buffer[n] = '\0';
}

}  // namespace lha
