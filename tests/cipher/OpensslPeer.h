#pragma once
// Debian's openssl run as a child process over files in the running test's sandbox.

#include <string>
#include <vector>

namespace tarvo::test {

// CAST5 with a 16-byte key, no padding: "ecb" (iv unused) or "cbc". Fails the test when openssl fails.
std::string OpensslCast5(const std::string& mode, const std::string& key, const std::string& iv,
                         const std::string& data);
std::string OpensslSha1(const std::string& data);
std::string Hex(const std::string& bytes);
std::string Unhex(const std::string& hex);

}  // namespace tarvo::test
