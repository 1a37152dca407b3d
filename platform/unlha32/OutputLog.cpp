#include "platform/unlha32/OutputLog.h"

#include "platform/rtl/SysUtils.h"

namespace lha {

void OutputLog::CopyTo(char* buffer, uint32_t size) const {
    if (!buffer || size == 0)
        return;
    CopyUtf8Field(buffer, size, text_);
}

}  // namespace lha
