#ifndef WIN32SIGNATURE_H
#define WIN32SIGNATURE_H

#include <string>

/**
 * A file's Authenticode signature as Windows judges it (WinVerifyTrust), in plain Win32 without
 * Qt. Every state WinVerifyTrust keeps is closed again.
 */
namespace Win32Signature {

enum class Trust { Unsigned, Valid, Invalid };

struct Verdict
{
    Trust trust = Trust::Invalid;
    /** What WinVerifyTrust answered (0, TRUST_E_NOSIGNATURE, TRUST_E_BAD_DIGEST, ...), or the
        error that kept it from reading the file. */
    long status = 0;
    /** The signer certificate's subject common name; empty unless Valid. */
    std::wstring signer;
};

/**
 * Checks the signature of the file at path with the generic verify action and no user
 * interface. Revocation is looked up in the cache only; where the cache cannot tell, the
 * signature is judged without it, so that an offline machine is not stopped. Unsigned: the file
 * carries no signature; Invalid: one that does not verify (changed after signing, an untrusted,
 * expired or revoked chain) or that could not be read.
 */
Verdict verify(const std::wstring &path);

} // namespace Win32Signature

#endif // WIN32SIGNATURE_H
