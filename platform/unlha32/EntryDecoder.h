#pragma once
// The data of one entry, stored or -lh4- to -lh7-, into a sink; its size and CRC are checked at the end,
// so a sink that writes a file must not keep it unless this returns.

#include "platform/rtl/Streams.h"
#include "platform/unlha32/ByteSink.h"
#include "platform/unlha32/LhaHeader.h"
#include "platform/unlha32/Progress.h"

namespace lha {

// ELhaError(kMethod) for a method this library cannot read, ELhaError(kDataBroken) for data that does not
// decode or whose CRC differs.
void DecodeEntry(TStream& archive, const LhaHeader& header, ByteSink& sink, Progress* progress);

bool IsReadableMethod(const std::string& method);

}  // namespace lha
