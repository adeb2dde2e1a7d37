// SPDX-License-Identifier: GPL-3.0-or-later
// Starts a program of the installation against the simulated board: the
// Windows counterpart of with-simulator.in, built once per program
// (zq40613-eval-sim.exe, zq40613-reg-sim.exe). The simulator lives in the
// folder sim beside the programs, so a plainly started program never talks
// to it by surprise; here that folder goes first on the PATH, the last step
// of the program's search for hid2.dll. A hid2.dll beside the programs or in
// the system's folders still comes first. The program gets the launcher's
// arguments, standard streams and console, and its exit status is the
// launcher's.

#include <string>

#include <windows.h>

namespace {

constexpr DWORD cannotStart = 1;

// The command line after the program's own name, as the system passed it:
// the name is quoted, or ends at the first blank.
const wchar_t *argumentsOf(const wchar_t *commandLine)
{
    const wchar_t *at = commandLine;
    if (*at == L'"') {
        for (++at; *at && *at != L'"'; ++at) {
        }
        if (*at)
            ++at;
    } else {
        for (; *at && *at != L' ' && *at != L'\t'; ++at) {
        }
    }
    return at;
}

// Said on standard error, or in a box when there is no console to say it on.
void tell(const std::wstring &message)
{
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    std::string text(std::size_t(::WideCharToMultiByte(CP_UTF8, 0, message.data(), int(message.size()), nullptr,
                                                       0, nullptr, nullptr)),
                     '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, message.data(), int(message.size()), text.data(), int(text.size()), nullptr,
                          nullptr);
    DWORD written = 0;
    if (error && error != INVALID_HANDLE_VALUE
        && ::WriteFile(error, text.data(), DWORD(text.size()), &written, nullptr))
        return;
    ::MessageBoxW(nullptr, message.c_str(), ZQ_LAUNCHER_NAME, MB_OK | MB_ICONERROR);
}

} // namespace

int main()
{
    std::wstring self(MAX_PATH, L'\0');
    self.resize(::GetModuleFileNameW(nullptr, self.data(), DWORD(self.size())));
    const std::wstring folder = self.substr(0, self.find_last_of(L'\\'));

    std::wstring path = folder + L"\\sim";
    const DWORD size = ::GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (size > 0) {
        std::wstring old(size, L'\0');
        old.resize(::GetEnvironmentVariableW(L"PATH", old.data(), size));
        path += L";" + old;
    }
    ::SetEnvironmentVariableW(L"PATH", path.c_str());

    const std::wstring program = folder + L"\\" + ZQ_LAUNCHER_PROGRAM;
    std::wstring commandLine = L"\"" + program + L"\"" + argumentsOf(::GetCommandLineW());
    STARTUPINFOW startup {};
    ::GetStartupInfoW(&startup);
    PROCESS_INFORMATION started {};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &started)) {
        tell(std::wstring(ZQ_LAUNCHER_NAME) + L": cannot start " + program + L"\n");
        return int(cannotStart);
    }
    // Ctrl+C is the program's to answer; the launcher waits for its answer.
    ::SetConsoleCtrlHandler(nullptr, TRUE);
    ::WaitForSingleObject(started.hProcess, INFINITE);
    DWORD status = cannotStart;
    ::GetExitCodeProcess(started.hProcess, &status);
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return int(status);
}
