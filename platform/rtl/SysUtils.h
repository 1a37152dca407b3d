#pragma once
// Stand-ins for the class library's run-time routines the system leans on: the exception base and its
// common descendants, Format with "array of const" arguments, number and text conversions, path routines.

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/rtl/VarRec.h"

// Base of every exception the system raises: a message text and the class name the protocols quote.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    Exception(std::string_view fmt, std::initializer_list<TVarRec> args);

    const std::string& Message() const noexcept { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }
    const char* what() const noexcept override { return message_.c_str(); }
    virtual const char* ClassName() const noexcept { return "Exception"; }

private:
    std::string message_;
};

// Declares an exception class with the message constructors of its base and its own class name.
#define TARVO_DECLARE_EXCEPTION(Name, Base)                               \
    class Name : public Base {                                            \
    public:                                                               \
        using Base::Base;                                                 \
        const char* ClassName() const noexcept override { return #Name; } \
    }

TARVO_DECLARE_EXCEPTION(EAbort, Exception);
TARVO_DECLARE_EXCEPTION(EConvertError, Exception);
TARVO_DECLARE_EXCEPTION(EInOutError, Exception);
TARVO_DECLARE_EXCEPTION(EListError, Exception);
TARVO_DECLARE_EXCEPTION(EOutOfMemory, Exception);
TARVO_DECLARE_EXCEPTION(EStreamError, Exception);
TARVO_DECLARE_EXCEPTION(EFCreateError, EStreamError);
TARVO_DECLARE_EXCEPTION(EFOpenError, EStreamError);
TARVO_DECLARE_EXCEPTION(EReadError, EStreamError);
TARVO_DECLARE_EXCEPTION(EWriteError, EStreamError);
TARVO_DECLARE_EXCEPTION(ERegistryException, Exception);

// The class library's assertion failure: the message is "text (source, line N)".
class EAssertionFailed : public Exception {
public:
    EAssertionFailed(const std::string& text, const std::string& source, int line);
    const char* ClassName() const noexcept override { return "EAssertionFailed"; }
};

// Format as the class library does: %[index:][-][width][.precision]type with types d u x s f g e n p and %%.
// Raises EConvertError "Format 'fmt' invalid or incompatible with argument" on a bad directive.
std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args);

std::string IntToStr(int64_t value);
std::string IntToHex(uint64_t value, int digits);
int64_t StrToInt64(std::string_view text);  // raises EConvertError "'text' is not a valid integer value"
int StrToInt(std::string_view text);        // as StrToInt64, and the value must fit 32 bits
int StrToIntDef(std::string_view text, int fallback);
bool TryStrToInt(std::string_view text, int& value);

// ASCII-only case mapping, as the class library's UpperCase and LowerCase.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
int CompareText(std::string_view a, std::string_view b);  // ASCII case-insensitive, <0 / 0 / >0
bool SameText(std::string_view a, std::string_view b);
std::string Trim(std::string_view text);  // removes characters <= ' ' at both ends
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// UTF-8 by its byte patterns: the length a lead byte announces (1..4; 0 for a byte that cannot lead), and
// whether every sequence of the text is complete.
size_t Utf8SequenceLength(unsigned char lead);
bool IsUtf8(std::string_view text);

// Paths use "/" as the delimiter on this platform.
constexpr char PathDelim = '/';
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);
std::string ExtractFilePath(std::string_view path);  // up to and including the last "/"
std::string ExtractFileName(std::string_view path);  // after the last "/"
std::string ExtractFileExt(std::string_view path);   // from the last "." of the name, with the dot
std::string ChangeFileExt(std::string_view path, std::string_view ext);
std::string ExpandFileName(std::string_view path);  // absolute, "." and ".." resolved lexically
bool FileExists(const std::string& path);           // a non-directory entry (a symlink counts as itself)
bool DirectoryExists(const std::string& path);
bool ForceDirectories(const std::string& path);
bool DeleteFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);
std::string GetCurrentDir();
// The text of an errno value, for messages.
std::string SysErrorMessage(int error);
