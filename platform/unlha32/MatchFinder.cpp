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
      head3_(size_t{1} << kHash3Bits, kNone),
      prev_(dictionary_, kNone) {}

// Between small inputs only the entries the last one touched are cleared, so packing many small files does
// not pay for clearing the whole table each time.
void MatchFinder::Reset() {
    if (slid_ || filled_ >= head_.size()) {
        std::fill(head_.begin(), head_.end(), kNone);
        std::fill(head3_.begin(), head3_.end(), kNone);
    } else {
        for (size_t p = 0; p + kMinMatch <= filled_; ++p)
            head_[Hash(p)] = head3_[Hash3(p)] = kNone;
    }
    std::fill(prev_.begin(),
              prev_.begin() + static_cast<ptrdiff_t>(slid_ ? dictionary_ : std::min(filled_, dictionary_)), kNone);
    filled_ = 0;
    slid_ = false;
    slidOut_ = 0;
}

size_t MatchFinder::Refill(size_t pos, const Reader& read, bool& atEnd) {
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
    // Searches read a few bytes past the input's end; they must read the same bytes every time.
    std::fill_n(buf_.begin() + static_cast<ptrdiff_t>(filled_), kPadding, 0);
    return pos;
}

void MatchFinder::Slide(size_t delta) {
    slid_ = true;
    slidOut_ += delta;
    std::memmove(buf_.data(), buf_.data() + delta, filled_ - delta);
    filled_ -= delta;
    const auto d = static_cast<int32_t>(delta);
    auto rebase = [d](int32_t& v) { v = v >= d ? v - d : kNone; };
    std::for_each(head_.begin(), head_.end(), rebase);
    std::for_each(head3_.begin(), head3_.end(), rebase);
    std::for_each(prev_.begin(), prev_.end(), rebase);
}

}  // namespace lha
