#include "tools/provision/AccountFile.h"

#include <fcntl.h>
#include <unistd.h>

#include "cipher/Cast128.h"
#include "client/CipherFiles.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TemporaryFile.h"
#include "platform/win/CodePage.h"
#include "platform/win/TempFolder.h"

namespace {

// The plain account file while it is sealed. It holds the folders' passwords, so it lives in the user's private
// temporary folder, never beside the output, and is removed however the sealing ends.
class TPlainAccountFile {
public:
    explicit TPlainAccountFile(const std::string& bytes) {
        TemporaryFile file = CreateTemporaryFile(AT_FDCWD, win::PrivateTempDir(), 0600);
        if (file.fd < 0)
            throw EProvisionError("Cannot make a temporary file: " + SysErrorMessage(file.error));
        ::close(file.fd);
        fName = file.name;
        try {
            TFileStream out(fName, fmOpenWrite);
            out.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        } catch (const EStreamError& e) {
            ::unlink(fName.c_str());
            throw EProvisionError("Cannot write the temporary file " + fName + ": " + e.Message());
        }
    }
    ~TPlainAccountFile() { ::unlink(fName.c_str()); }
    TPlainAccountFile(const TPlainAccountFile&) = delete;
    TPlainAccountFile& operator=(const TPlainAccountFile&) = delete;

    const std::string& Name() const { return fName; }

private:
    std::string fName;
};

}  // namespace

std::string AccountFileBytes(const std::string& plainIni) {
    TStringList lines;
    lines.SetText(plainIni);
    std::string bytes;
    for (const std::string& line : lines) {
        size_t eq = line.find('=');
        bool password = eq != std::string::npos && SameText(Trim(line.substr(0, eq)), "Password");
        // The scrambled value is no text: it is put behind the code page 932 key as it is.
        std::optional<std::string> text = win::Utf8ToCp932(password ? line.substr(0, eq + 1) : line);
        if (!text)
            throw EProvisionError("The account file line cannot be written in code page 932: " + line);
        bytes += *text;
        if (password)
            bytes += ScrambleText(Trim(line.substr(eq + 1)));
        bytes += "\r\n";
    }
    return bytes;
}

void SealAccountFile(const std::string& plainIni, const std::string& aceName) {
    TPlainAccountFile plain(AccountFileBytes(plainIni));
    std::string problem;
    TCiph_cast128 cipher;
    TCipherFiles files(
        cipher, [&problem](const std::string& text) { problem = text; }, TOutputDurability::Durable);
    if (!files.EncryptTrunk(plain.Name(), aceName, BuiltInPassword))
        throw EProvisionError("Cannot seal the account file " + aceName + ": " + problem);
}
