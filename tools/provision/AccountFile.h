#pragma once
// Provisioning of an account file, as a server's administrator would: a plain INI text (UTF-8, passwords in
// the clear) turned into what the client fetches, the same INI in code page 932 with every Password value
// scrambled, sealed in the encrypted-file container under the built-in password. Used by tests and the demo.

#include <string>

#include "tools/provision/Provision.h"

// The account file's bytes: code page 932, CR LF line ends, Password values scrambled. Raises EProvisionError
// when a text cannot be written in code page 932 or a password is not 7-bit.
std::string AccountFileBytes(const std::string& plainIni);

// Writes the sealed account file aceName (normally the server folder + AccountID + ".ace") and flushes it to disk;
// nothing else is written beside it. Raises EProvisionError when it cannot be written.
void SealAccountFile(const std::string& plainIni, const std::string& aceName);
