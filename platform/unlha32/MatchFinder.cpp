#include "platform/unlha32/MatchFinder.h"

#include <algorithm>

#include "platform/unlha32/LhMethod.h"

namespace lha {

MatchFinder::MatchFinder(int dictionaryBits, size_t chunk)
    : dictionary_(size_t{1} << dictionaryBits),
      mask_(static_cast<uint32_t>(dictionary_ - 1)),
      maxDistance_(static_cast<int32_t>(dictionary_ - 1)),
      capacity_(dictionary_ + chunk + kMaxMatch),
      buf_(capacity_ + kPadding, 0),
      head_(size_t{1} << kHashBits, kNone),
      prev_(dictionary_, kNone) {}

void MatchFinder::Reset() {
    filled_ = 0;
    std::fill(head_.begin(), head_.end(), kNone);
    std::fill(prev_.begin(), prev_.end(), kNone);
}

size_t MatchFinder::Prepare(size_t pos, size_t ahead, const Reader& read, bool& atEnd) {
    if (atEnd || filled_ - pos >= ahead) return pos;
    size_t delta = pos > dictionary_ ? (pos - dictionary_) & ~static_cast<size_t>(mask_) : 0;
    if (delta > 0) {
        Slide(delta);
        pos -= delta;
    }
    while (filled_ < capacity_) {
        size_t got = read(buf_.data() + filled_, capacity_ - filled_);
        if (got == 0) {
            atEnd = true;
            break;
        }
        filled_ += got;
    }
    std::fill(buf_.begin() + static_cast<ptrdiff_t>(filled_), buf_.end(), 0);  // defined bytes for overreads
    return pos;
}

void MatchFinder::Slide(size_t delta) {
    std::memmove(buf_.data(), buf_.data() + delta, filled_ - delta);
    filled_ -= delta;
    const auto d = static_cast<int32_t>(delta);
    auto rebase = [d](int32_t& v) { v = v >= d ? v - d : kNone; };
    std::for_each(head_.begin(), head_.end(), rebase);
    std::for_each(prev_.begin(), prev_.end(), rebase);
}

}  // namespace lha
