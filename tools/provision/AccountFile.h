#pragma once
// Provisioning of an account file, as a server's administrator would: a plain INI text (UTF-8, passwords in
// the clear) turned into what the client fetches, the same INI in code page 932 with every Password value
// scrambled, sealed in the encrypted-file container under the built-in password. Used by tests and the demo.

#include <string>
#include <vector>

#include "tools/provision/Provision.h"

// The account file's bytes: code page 932, CR LF line ends, Password values scrambled (taken, as the client
// takes every value, without enclosing quotes). Raises EProvisionError, naming the line, when a text cannot be
// written in code page 932 or a password holds other than printable 7-bit characters.
std::string AccountFileBytes(const std::string& plainIni);

// One thing the client would not read as written, on one line of a plain account file.
struct TAccountFileFinding {
    int Line = 0;          // from 1
    bool Refusal = false;  // the file must not be sealed so; otherwise a warning
    std::string Text;
};

// Reads a plain account file line by line as the client will read it sealed, in line order: refusals for what
// would leave a folder unable to log in, mis-sorted or with other values than written, or be lost; warnings for
// what may well be meant but often is not (a note after a value, a key the client does not know).
std::vector<TAccountFileFinding> CheckAccountFile(const std::string& plainIni);

// Writes the sealed account file aceName (normally the server folder + AccountID + ".ace") and flushes it to disk;
// nothing else is written beside it. Raises EProvisionError when it cannot be written.
void SealAccountFile(const std::string& plainIni, const std::string& aceName);
