#pragma once
// The encrypted-file container that trunks and the account file are kept in: 32 bytes that let a password be
// checked, then the whole plain file run through the window's block cipher, chained, keyed from the password's
// SHA-1 digest. A container is always 32 bytes longer than what it holds, and one password and one file always
// give the same bytes. The output only ever replaces its final name whole, when a call succeeds.

#include <functional>
#include <memory>
#include <string>

#include "cipher/CipherBase.h"
#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/Streams.h"

// The password of the account file, and of the trunks of every folder whose senders type none; the same in every
// installation.
constexpr const char* BuiltInPassword = "plinkova";

// Whether an output is forced to disk before it takes its name: worth its time only for a file that outlives
// the program, not for one in the work directory that is sent, read or unpacked and then removed.
enum class TOutputDurability { Transient, Durable };

class TCipherFiles {
public:
    // Shows one message to the user; in the program an information box with an OK button.
    using TMessageSink = std::function<void(const std::string& text)>;

    // The cipher is the window's component; every call keys it afresh and wipes it before returning.
    TCipherFiles(TCiph_blockcipher& cipher, TMessageSink sink, TOutputDurability durability);

    // Checks the two names and opens both files; Mode 0 is encryption, 1 decryption, which matters only for
    // the wording of two messages. False, after telling the user why (except for a missing input file),
    // when a name is empty, both name the same file, a file cannot be opened, the input is no regular file, or
    // the output name is held by something other than a regular file (a pipe, a device, a link).
    bool OpenCipherFiles(const std::string& InName, const std::string& OutName, std::unique_ptr<TFileStream>& InFile,
                         std::unique_ptr<AtomicFile>& OutFile, int Mode);
    // Encrypts InName into a new container OutName.
    bool EncryptTrunk(const std::string& InName, const std::string& OutName, const std::string& Password);
    // Writes what the container InName holds to OutName; False (after saying so) for a wrong password.
    bool DecryptTrunk(const std::string& InName, const std::string& OutName, const std::string& Password);

private:
    static constexpr size_t kCheckSize = 32;
    using TCipherOp = void (TCiph_blockcipher::*)(const void*, void*, size_t);

    bool KeyCipher(const std::string& password, uint8_t (&check)[kCheckSize]);
    void Transform(TFileStream& in, AtomicFile& out, TCipherOp op);
    void WriteChunk(AtomicFile& out, const uint8_t* data, int64_t size);
    // Runs work; a read or write error is told to the user, and the output, not yet committed, is dropped.
    bool ReportingIoErrors(const std::function<bool()>& work);

    TCiph_blockcipher& fCipher;
    TMessageSink fSink;
    TOutputDurability fDurability;
};
