// kestrun-query.exe: answers the system queries of the applicability rules over standard input
// and output, so that Kestrun outside Windows can ask a Windows (Wine) what the rules need with
// one process for all questions. Plain Win32 C++, no Qt: the same calls the Windows build runs.
//
// The protocol is UTF-8 text, one line per message, fields separated by a tab. The helper
// greets with "kestrun-query 1", then answers each request with one line:
//
//   amd64                                  yes | no
//   installed <product code>               yes | no
//   version <product code>                 yes <ProductVersion> | no (not installed)
//   value <64|default> <key path> <name>   yes | no   (key under HKEY_LOCAL_MACHINE)
//
// and "?" to a request it does not understand. It ends when its input ends.

#include "platform/win32system.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr char Separator = '\t';

std::wstring widen(const std::string &text)
{
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(
        CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
    return result;
}

std::string narrow(const std::wstring &text)
{
    const int size = WideCharToMultiByte(
        CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
        nullptr, nullptr);
    return result;
}

std::vector<std::string> splitFields(const std::string &line)
{
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const auto end = line.find(Separator, start);
        fields.push_back(line.substr(start, end - start));
        if (end == std::string::npos)
            return fields;
        start = end + 1;
    }
}

// A reply must stay on its line whatever the version text holds.
std::string oneLine(std::string text)
{
    for (char &c : text) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return text;
}

std::string yesNo(bool answer)
{
    return answer ? "yes" : "no";
}

std::string answer(const std::vector<std::string> &request)
{
    const std::string &kind = request.front();
    if (kind == "amd64" && request.size() == 1)
        return yesNo(Win32System::isNativeAmd64());
    if (kind == "installed" && request.size() == 2)
        return yesNo(Win32System::isProductInstalled(widen(request[1])));
    if (kind == "version" && request.size() == 2) {
        const auto version = Win32System::productVersion(widen(request[1]));
        return version ? "yes" + std::string(1, Separator) + oneLine(narrow(*version)) : "no";
    }
    if (kind == "value" && request.size() == 4 && (request[1] == "64" || request[1] == "default"))
        return yesNo(Win32System::registryValueExists(
            widen(request[2]), widen(request[3]), request[1] == "64"));
    return "?";
}

void reply(const std::string &line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main()
{
    // Lines end in "\n" alone on both sides of the pipe.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    reply("kestrun-query 1");
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        reply(answer(splitFields(line)));
    }
    return 0;
}
