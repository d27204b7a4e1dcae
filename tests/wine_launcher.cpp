// Wine hands a Windows program none of the QT_* variables of the Linux side. This launcher,
// itself a Windows program, takes them as arguments, sets them and runs the program:
//   wine wine_launcher.exe NAME=VALUE... -- PROGRAM.exe ARGUMENTS...
// Its exit code is the program's.
#include <windows.h>

#include <shellapi.h>
#include <string>

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    int i = 1;
    for (; i < argc && std::wstring(argv[i]) != L"--"; ++i) {
        const std::wstring setting(argv[i]);
        const auto equals = setting.find(L'=');
        if (equals != std::wstring::npos)
            SetEnvironmentVariableW(setting.substr(0, equals).c_str(),
                                    setting.substr(equals + 1).c_str());
    }
    std::wstring command;
    for (++i; i < argc; ++i) {
        // Quoted as CommandLineToArgvW reads it back; test arguments hold no quotes.
        command += command.empty() ? L"\"" : L" \"";
        command += argv[i];
        command += L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (command.empty() || !CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0,
                                           nullptr, nullptr, &startup, &process))
        return 127;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    return int(code);
}
