#include "platform/win/CodePage.h"

#include <iconv.h>

#include <cerrno>

namespace win {

namespace {

// iconv descriptors are not thread-safe; one per thread and direction.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    std::optional<std::string> Convert(std::string_view in) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            return std::nullopt;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out(in.size() * 2 + 8, '\0');
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        size_t done = 0;
        while (true) {
            char* dst = out.data() + done;
            size_t dstLeft = out.size() - done;
            size_t r =
                srcLeft ? iconv(cd_, &src, &srcLeft, &dst, &dstLeft) : iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
            done = out.size() - dstLeft;
            if (r != static_cast<size_t>(-1)) {
                if (srcLeft == 0)
                    break;
                continue;
            }
            if (errno != E2BIG)
                return std::nullopt;  // EILSEQ or EINVAL: not representable or cut short
            out.resize(out.size() * 2);
        }
        out.resize(done);
        return out;
    }

private:
    iconv_t cd_;
};

}  // namespace

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    thread_local Converter converter("CP932", "UTF-8");
    return converter.Convert(utf8);
}

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) {
    thread_local Converter converter("UTF-8", "CP932");
    return converter.Convert(cp932);
}

bool IsCp932Encodable(std::string_view utf8) {
    return Utf8ToCp932(utf8).has_value();
}

bool RoundTripsCp932(std::string_view utf8) {
    std::optional<std::string> bytes = Utf8ToCp932(utf8);
    return bytes && Cp932ToUtf8(*bytes) == utf8;
}

}  // namespace win
