#include "bench/cipher/OpensslContainer.h"

#include <openssl/provider.h>
#include <openssl/sha.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/Streams.h"

namespace {

constexpr size_t kChunkSize = size_t{1} << 20;

void Check(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(std::string("OpenSSL: ") + what);
}

void Run(EVP_CIPHER_CTX* ctx, const unsigned char* in, unsigned char* out, size_t size) {
    int outLength = 0;
    Check(EVP_CipherUpdate(ctx, out, &outLength, in, static_cast<int>(size)) == 1, "update");
}

}  // namespace

OpensslContainer::OpensslContainer() {
    Check(OSSL_PROVIDER_load(nullptr, "legacy") && OSSL_PROVIDER_load(nullptr, "default"), "legacy provider");
    cbc_ = EVP_CIPHER_fetch(nullptr, "CAST5-CBC", nullptr);
    ecb_ = EVP_CIPHER_fetch(nullptr, "CAST5-ECB", nullptr);
    Check(cbc_ && ecb_, "CAST5");
}

OpensslContainer::~OpensslContainer() {
    EVP_CIPHER_free(cbc_);
    EVP_CIPHER_free(ecb_);
}

EVP_CIPHER_CTX* OpensslContainer::NewContext(const unsigned char* key, const unsigned char* iv, bool encrypt) const {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    Check(ctx && EVP_CipherInit_ex2(ctx, iv ? cbc_ : ecb_, key, iv, encrypt ? 1 : 0, nullptr) == 1, "init");
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    return ctx;
}

OpensslContainer::Keys OpensslContainer::Derive(const std::string& password) const {
    Keys keys;
    unsigned char buffer[32];
    std::memset(buffer, 0xFF, sizeof buffer);
    SHA1(reinterpret_cast<const unsigned char*>(password.data()), password.size(), buffer);
    std::memcpy(keys.key, buffer, sizeof keys.key);
    EVP_CIPHER_CTX* ecb = NewContext(keys.key, nullptr, true);
    std::memset(keys.iv, 0xFF, sizeof keys.iv);
    Run(ecb, keys.iv, keys.iv, sizeof keys.iv);
    EVP_CIPHER_CTX_free(ecb);
    EVP_CIPHER_CTX* cbc = NewContext(keys.key, keys.iv, true);
    Run(cbc, buffer, keys.check, sizeof keys.check);
    EVP_CIPHER_CTX_free(cbc);
    return keys;
}

void OpensslContainer::Transform(const std::string& inName, const std::string& outName, const Keys& keys, bool encrypt,
                                 bool withCheck) {
    TFileStream in(inName, fmOpenReadWrite);
    AtomicFile out(outName, 0600);
    if (withCheck)
        out.WriteBuffer(keys.check, sizeof keys.check);
    if (!encrypt)
        in.Seek(sizeof keys.check, soBeginning);
    EVP_CIPHER_CTX* ctx = NewContext(keys.key, keys.iv, encrypt);
    std::vector<unsigned char> buffer(kChunkSize);
    int64_t got;
    do {
        got = in.Read(buffer.data(), static_cast<int64_t>(buffer.size()));
        Check(got % 8 == 0, "partial block");
        Run(ctx, buffer.data(), buffer.data(), static_cast<size_t>(got));
        out.WriteBuffer(buffer.data(), got);
    } while (got == static_cast<int64_t>(buffer.size()));
    EVP_CIPHER_CTX_free(ctx);
    out.Commit(false);  // as the client commits its work files
}

void OpensslContainer::Seal(const std::string& plainName, const std::string& containerName,
                            const std::string& password) {
    Transform(plainName, containerName, Derive(password), true, true);
}

bool OpensslContainer::Open(const std::string& containerName, const std::string& plainName,
                            const std::string& password) {
    Keys keys = Derive(password);
    unsigned char check[32];
    {
        TFileStream in(containerName, fmOpenRead);
        if (in.Read(check, sizeof check) != sizeof check || std::memcmp(check, keys.check, sizeof check) != 0)
            return false;
    }
    Transform(containerName, plainName, keys, false, false);
    return true;
}
