#pragma once
// The text a command hands back in the caller's output buffer: one line per entry handled or refused.

#include <cstdint>
#include <string>

namespace lha {

class OutputLog {
public:
    void Line(const std::string& text) { text_ += text + "\n"; }
    const std::string& Text() const { return text_; }
    // NUL-terminated, cut at a whole UTF-8 character to fit; nothing when there is no buffer.
    void CopyTo(char* buffer, uint32_t size) const;

private:
    std::string text_;
};

}  // namespace lha
