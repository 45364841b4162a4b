// Prints the MD5 and the SHA-256 Win32Hash gives each file, fed in pieces of the given size, in
// the form md5sum and sha256sum print them, so that a script can compare:
//   hashprobe <piece size> <file>...
// One engine per algorithm serves every file, so that each digest after the first also shows
// that a finished engine starts over.

#include "platform/win32hash.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string hex(const std::string &digest)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char byte : digest) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

std::string digestOf(Win32Hash &hash, const std::string &data, std::size_t piece)
{
    for (std::size_t at = 0; at < data.size(); at += piece) {
        const std::size_t size = std::min(piece, data.size() - at);
        hash.add(reinterpret_cast<const unsigned char *>(data.data() + at), size);
    }
    return hex(hash.finish());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    const std::size_t piece = std::strtoul(argv[1], nullptr, 10);
    Win32Hash md5(HashAlgorithm::Md5);
    Win32Hash sha256(HashAlgorithm::Sha256);
    if (piece == 0 || !md5.isValid() || !sha256.isValid())
        return 1;
    for (int i = 2; i < argc; ++i) {
        std::ifstream file(argv[i], std::ios::binary);
        const std::string data(std::istreambuf_iterator<char>(file), {});
        std::printf("md5 %s  %s\n", digestOf(md5, data, piece).c_str(), argv[i]);
        std::printf("sha256 %s  %s\n", digestOf(sha256, data, piece).c_str(), argv[i]);
    }
    return 0;
}
