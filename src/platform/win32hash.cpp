#include "win32hash.h"

#include <windows.h>

#include <bcrypt.h>

#include <climits>

namespace {

bool succeeded(NTSTATUS status)
{
    return status >= 0;
}

} // namespace

Win32Hash::Win32Hash(HashAlgorithm algorithm)
    : size(digestSize(algorithm))
{
    const wchar_t *name =
        algorithm == HashAlgorithm::Md5 ? BCRYPT_MD5_ALGORITHM : BCRYPT_SHA256_ALGORITHM;
    BCRYPT_ALG_HANDLE opened = nullptr;
    if (succeeded(BCryptOpenAlgorithmProvider(&opened, name, nullptr, 0)))
        provider = opened;
    failed = !createHash();
}

Win32Hash::~Win32Hash()
{
    if (hash)
        BCryptDestroyHash(hash);
    if (provider)
        BCryptCloseAlgorithmProvider(provider, 0);
}

bool Win32Hash::isValid() const
{
    return !failed;
}

void Win32Hash::add(const unsigned char *data, std::size_t size)
{
    // BCryptHashData takes at most a ULONG's worth at a time.
    while (!failed && size > 0) {
        const ULONG piece = size > ULONG_MAX ? ULONG_MAX : static_cast<ULONG>(size);
        failed = !succeeded(BCryptHashData(hash, const_cast<PUCHAR>(data), piece, 0));
        data += piece;
        size -= piece;
    }
}

std::string Win32Hash::finish()
{
    std::string digest(size, '\0');
    // A finished CNG hash cannot be used again: the next digest needs a new one.
    const bool finished = !failed
        && succeeded(BCryptFinishHash(
            hash, reinterpret_cast<PUCHAR>(&digest[0]), static_cast<ULONG>(size), 0));
    if (hash)
        BCryptDestroyHash(hash);
    hash = nullptr;
    failed = !createHash();
    return finished ? digest : std::string();
}

// The hash object's memory is left to CNG (a null buffer), which Windows 7 and later allow.
bool Win32Hash::createHash()
{
    BCRYPT_HASH_HANDLE created = nullptr;
    if (!provider || !succeeded(BCryptCreateHash(provider, &created, nullptr, 0, nullptr, 0, 0)))
        return false;
    hash = created;
    return true;
}
