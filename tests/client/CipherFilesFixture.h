#pragma once
// A container unit on its own cipher, with the messages it shows collected instead of shown.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cipher/Cast128.h"
#include "client/CipherFiles.h"
#include "tests/support/TestEnvironment.h"

namespace tarvo::test {

class CipherFilesTest : public TarvoTest {
protected:
    std::string Path(const std::string& name) const { return sandbox().work + name; }
    // Names in the work folder, hidden ones (temporary files) included.
    std::vector<std::string> Listing() const;

    TCiph_cast128 cipher;
    std::vector<std::string> messages;
    TCipherFiles files{cipher, [this](const std::string& text) { messages.push_back(text); },
                       TOutputDurability::Transient};
};

}  // namespace tarvo::test
