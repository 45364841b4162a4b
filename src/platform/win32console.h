#ifndef WIN32CONSOLE_H
#define WIN32CONSOLE_H

#include <string>

/**
 * Text for a Windows console, in plain Win32 without Qt. A console reads bytes in its own code
 * page, so UTF-8 shows as garbage there; its wide-character output shows every character.
 */
namespace Win32Console {

/** True when the standard output is a console rather than a file or a pipe. */
bool isStandardOutputConsole();

/** Writes text to the standard output's console whole; false when that fails. */
bool writeToStandardOutput(const std::wstring &text);

} // namespace Win32Console

#endif // WIN32CONSOLE_H
