#include "evphash.h"

// Only builds that found libcrypto define this; the Windows compile check, which sees every
// source, compiles the file empty.
#ifdef KESTRUN_HAVE_LIBCRYPTO

#include <openssl/evp.h>

EvpHash::EvpHash(HashAlgorithm algorithm)
    : context(EVP_MD_CTX_new())
    , digest(algorithm == HashAlgorithm::Md5 ? EVP_md5() : EVP_sha256())
{
    failed = !start();
}

EvpHash::~EvpHash()
{
    EVP_MD_CTX_free(context);
}

bool EvpHash::isValid() const
{
    return !failed;
}

void EvpHash::add(const unsigned char *data, std::size_t size)
{
    failed = failed || EVP_DigestUpdate(context, data, size) != 1;
}

std::string EvpHash::finish()
{
    std::string result(EVP_MAX_MD_SIZE, '\0');
    unsigned int length = 0;
    const bool finished = !failed
        && EVP_DigestFinal_ex(context, reinterpret_cast<unsigned char *>(&result[0]), &length) == 1;
    failed = !start();
    result.resize(finished ? length : 0);
    return result;
}

bool EvpHash::start()
{
    return context && digest && EVP_DigestInit_ex(context, digest, nullptr) == 1;
}

#endif // KESTRUN_HAVE_LIBCRYPTO
