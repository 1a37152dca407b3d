#include "platform/unlha32/LhEncoder.h"

#include <algorithm>

namespace lha {

namespace {

constexpr size_t kWindowChunk = 1 << 20;
constexpr size_t kLookahead = kMaxMatch + 8;

}  // namespace

LhEncoder::LhEncoder(const LhMethod& method, const EncoderTuning& tuning)
    : tuning_(tuning), finder_(method.dictionaryBits, kWindowChunk), blocks_(method, tuning.blockSymbols) {}

bool LhEncoder::Drain(const Writer& write, uint64_t limit, uint64_t parsed) {
    auto& bytes = blocks_.Bytes();
    written_ += bytes.size();
    if (written_ >= limit || (parsed >= tuning_.giveUpAfter && written_ >= parsed))
        return false;
    if (!bytes.empty())
        write(bytes.data(), bytes.size());
    bytes.clear();
    return true;
}

// Lazy evaluation: a match found at one position is only taken when the next position does not start a
// longer one; otherwise the first byte goes out as a literal and the longer match is considered instead.
bool LhEncoder::Encode(const MatchFinder::Reader& read, const Writer& write, uint64_t limit) {
    finder_.Reset();
    blocks_.Reset();
    written_ = 0;
    bool atEnd = false;
    size_t pos = 0;
    int prevLength = 0, prevDistance = 0;
    bool pending = false;  // the byte before pos is not coded yet
    while (true) {
        pos = finder_.Prepare(pos, kLookahead, read, atEnd);
        if (blocks_.Bytes().size() >= (1 << 16) && !Drain(write, limit, finder_.SlidOut() + pos))
            return false;
        const size_t filled = finder_.Filled();
        if (pos >= filled)
            break;
        const uint8_t* data = finder_.Data();
        int maxLength = static_cast<int>(std::min<size_t>(kMaxMatch, filled - pos));
        int length = 0, distance = 0;
        if (maxLength >= kMinMatch) {
            MatchFinder::Candidates candidates = finder_.Insert(pos);
            if (prevLength < tuning_.maxLazy) {
                int chain = prevLength >= tuning_.goodLength ? tuning_.maxChain >> 2 : tuning_.maxChain;
                length = finder_.Longest(candidates.chain, pos, maxLength, std::max(prevLength, kMinMatch), chain,
                                         tuning_.niceLength, distance);
                if (length <= kMinMatch && prevLength < kMinMatch)
                    length = finder_.Three(candidates.three, pos, maxLength, tuning_.farThreeMatch, distance);
                if (length <= prevLength)
                    length = 0;
            }
        }
        if (pending && prevLength >= kMinMatch && length <= prevLength) {
            blocks_.Match(prevLength, prevDistance);
            size_t end = pos - 1 + static_cast<size_t>(prevLength);
            for (size_t p = pos + 1; p < end; ++p)
                if (p + kMinMatch <= filled)
                    finder_.Insert(p);
            pos = end;
            pending = false;
            prevLength = 0;
            continue;
        }
        if (pending)
            blocks_.Literal(data[pos - 1]);
        pending = true;
        prevLength = length;
        prevDistance = distance;
        ++pos;
    }
    if (pending) {
        if (prevLength >= kMinMatch) {
            blocks_.Match(prevLength, prevDistance);
        } else {
            blocks_.Literal(finder_.Data()[pos - 1]);
        }
    }
    blocks_.Finish();
    return Drain(write, limit, 0);
}

}  // namespace lha
