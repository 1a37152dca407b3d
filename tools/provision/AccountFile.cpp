#include "tools/provision/AccountFile.h"

#include "cipher/Cast128.h"
#include "client/CipherFiles.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/CodePage.h"

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
    const std::string plainName = aceName + ".ini";
    TMemoryStream plain;
    std::string bytes = AccountFileBytes(plainIni);
    plain.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    plain.SaveToFile(plainName);
    std::string problem;
    TCiph_cast128 cipher;
    TCipherFiles files(cipher, [&problem](const std::string& text) { problem = text; });
    bool sealed = files.EncryptTrunk(plainName, aceName, BuiltInPassword);
    DeleteFile(plainName);
    if (!sealed)
        throw EProvisionError("Cannot seal the account file " + aceName + ": " + problem);
}
