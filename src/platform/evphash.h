#ifndef EVPHASH_H
#define EVPHASH_H

#include "hashengine.h"

// OpenSSL's own names for EVP_MD_CTX and EVP_MD, so that only evphash.cpp sees its headers.
struct evp_md_ctx_st;
struct evp_md_st;

/**
 * MD5 and SHA-256 through OpenSSL's libcrypto (EVP digests), which uses the processor's hashing
 * instructions where it has them. Built only where the build found libcrypto.
 */
class EvpHash final : public HashEngine
{
public:
    explicit EvpHash(HashAlgorithm algorithm);
    ~EvpHash() override;
    EvpHash(const EvpHash &) = delete;
    EvpHash &operator=(const EvpHash &) = delete;

    bool isValid() const override;
    void add(const unsigned char *data, std::size_t size) override;
    std::string finish() override;

private:
    bool start();

    evp_md_ctx_st *context;
    const evp_md_st *digest;
    bool failed = false;
};

#endif // EVPHASH_H
