#pragma once
// One argument of an "array of const" parameter (Format, RaiseExceptionFmt).

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

class TVarRec {
public:
    using Value = std::variant<int64_t, uint64_t, double, std::string, char, bool, const void*>;

    template <typename T>
    requires(std::is_integral_v<T>&& std::is_signed_v<T> && !std::is_same_v<T, char> && !std::is_same_v<T, bool>)
        TVarRec(T v)
        : value_(static_cast<int64_t>(v)) {}
    template <typename T>
    requires(std::is_integral_v<T>&& std::is_unsigned_v<T> && !std::is_same_v<T, bool>) TVarRec(T v)
        : value_(static_cast<uint64_t>(v)) {}
    TVarRec(double v) : value_(v) {}
    TVarRec(char v) : value_(v) {}
    TVarRec(bool v) : value_(v) {}
    TVarRec(const char* v) : value_(std::string(v ? v : "")) {}
    TVarRec(std::string v) : value_(std::move(v)) {}
    TVarRec(std::string_view v) : value_(std::string(v)) {}
    TVarRec(const void* v) : value_(v) {}

    const Value& value() const { return value_; }

private:
    Value value_;
};
