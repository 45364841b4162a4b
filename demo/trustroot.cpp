// trustroot.exe: makes a Wine prefix trust a test certificate (the Windows demo's package
// signer, a test's certificate authority) as an administrator would deploy one: adds the DER
// certificate named on the command line to the user's trusted root store.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

int wmain(int argc, wchar_t *argv[])
{
    if (argc != 2) {
        std::fputs("usage: trustroot <certificate.der>\n", stderr);
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    const std::vector<BYTE> der(
        (std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (der.empty()
        || !CertAddEncodedCertificateToSystemStoreW(
            L"ROOT", der.data(), static_cast<DWORD>(der.size()))) {
        std::fprintf(stderr, "trustroot: the certificate was not added (error %lu)\n",
            GetLastError());
        return 1;
    }
    return 0;
}
