#include "win32signature.h"

#include <windows.h>

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

namespace {

std::wstring commonName(PCCERT_CONTEXT certificate)
{
    const auto type = const_cast<char *>(szOID_COMMON_NAME);
    const DWORD size = CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, type, nullptr, 0);
    std::wstring name(size, L'\0');
    CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, type, &name[0], size);
    // The size counts the terminating null, and is 1 when the subject has no common name.
    name.resize(size > 0 ? size - 1 : 0);
    return name;
}

std::wstring signerName(HANDLE state)
{
    CRYPT_PROVIDER_DATA *provider = WTHelperProvDataFromStateData(state);
    CRYPT_PROVIDER_SGNR *signer =
        provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
    if (!signer || signer->csCertChain == 0 || !signer->pasCertChain[0].pCert)
        return std::wstring();
    return commonName(signer->pasCertChain[0].pCert);
}

// One question to WinVerifyTrust; its state lives until the signer's name has been read.
LONG ask(const std::wstring &path, bool revocation, std::wstring &signer)
{
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = revocation ? WTD_REVOKE_WHOLECHAIN : WTD_REVOKE_NONE;
    data.dwProvFlags = revocation ? WTD_CACHE_ONLY_URL_RETRIEVAL : WTD_REVOCATION_CHECK_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const HWND noWindow = static_cast<HWND>(INVALID_HANDLE_VALUE);
    LONG status = WinVerifyTrust(noWindow, &action, &data);
    // "No signature" is also the answer for a file that could not be read; the last error
    // tells which.
    const DWORD error = GetLastError();
    if (status == TRUST_E_NOSIGNATURE && error != DWORD(TRUST_E_NOSIGNATURE)
        && error != DWORD(TRUST_E_SUBJECT_FORM_UNKNOWN))
        status = error == ERROR_SUCCESS ? TRUST_E_FAIL : LONG(HRESULT_FROM_WIN32(error));
    signer = status == ERROR_SUCCESS ? signerName(data.hWVTStateData) : std::wstring();
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(noWindow, &action, &data);
    return status;
}

} // namespace

namespace Win32Signature {

Verdict verify(const std::wstring &path)
{
    Verdict verdict;
    verdict.status = ask(path, true, verdict.signer);
    // The cache has no word on revocation, as on a machine that has been offline: a chain that
    // is revoked as far as the cache knows is still refused.
    if (verdict.status == CERT_E_REVOCATION_FAILURE)
        verdict.status = ask(path, false, verdict.signer);
    if (verdict.status == ERROR_SUCCESS)
        verdict.trust = Trust::Valid;
    else if (verdict.status == TRUST_E_NOSIGNATURE)
        verdict.trust = Trust::Unsigned;
    return verdict;
}

} // namespace Win32Signature
