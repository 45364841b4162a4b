#ifndef WIN32HASH_H
#define WIN32HASH_H

#include "hashengine.h"

/**
 * MD5 and SHA-256 through Windows' own implementation (CNG: BCryptCreateHash and
 * BCryptHashData), which uses the processor's hashing instructions where it has them. Plain
 * Win32 without Qt; the algorithm provider and the hash object are closed again with the engine.
 */
class Win32Hash final : public HashEngine
{
public:
    explicit Win32Hash(HashAlgorithm algorithm);
    ~Win32Hash() override;
    Win32Hash(const Win32Hash &) = delete;
    Win32Hash &operator=(const Win32Hash &) = delete;

    bool isValid() const override;
    void add(const unsigned char *data, std::size_t size) override;
    std::string finish() override;

private:
    bool createHash();

    void *provider = nullptr; // BCRYPT_ALG_HANDLE
    void *hash = nullptr; // BCRYPT_HASH_HANDLE
    std::size_t size;
    bool failed = false;
};

#endif // WIN32HASH_H
