#pragma once
// The peer of the benchmark: the encrypted-file container sealed and opened with OpenSSL's SHA-1 and
// CAST5-CBC, through the same file streams and chunk size as the client's, so only the cipher differs.

#include <openssl/evp.h>

#include <string>

class OpensslContainer {
public:
    // Loads the legacy provider (CAST5 lives there) beside the default one.
    OpensslContainer();
    ~OpensslContainer();
    OpensslContainer(const OpensslContainer&) = delete;
    OpensslContainer& operator=(const OpensslContainer&) = delete;

    // Plain files must be a whole number of blocks: OpenSSL's CBC has no partial last block.
    void Seal(const std::string& plainName, const std::string& containerName, const std::string& password);
    // False for a wrong password.
    bool Open(const std::string& containerName, const std::string& plainName, const std::string& password);

    // A CAST5 context with a 16-byte key and no padding: CBC from iv, or ECB when iv is nullptr.
    EVP_CIPHER_CTX* NewContext(const unsigned char* key, const unsigned char* iv, bool encrypt) const;

private:
    // The 16-byte key, the IV and the check block of a password.
    struct Keys {
        unsigned char key[16];
        unsigned char iv[8];
        unsigned char check[32];
    };
    Keys Derive(const std::string& password) const;
    void Transform(const std::string& inName, const std::string& outName, const Keys& keys, bool encrypt,
                   bool withCheck);

    EVP_CIPHER* cbc_;
    EVP_CIPHER* ecb_;
};
