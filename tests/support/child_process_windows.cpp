#include <windows.h>

#include "support/albumdl_process.h"

namespace albumdl::testing {
namespace {

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

// One argument as the C runtime's parser (CommandLineToArgvW) reads it back:
// in quotes, a quote escaped, backslashes doubled before a quote.
std::wstring Quoted(const std::wstring& argument) {
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

// kClosed: no handle at all, as a program started without that stream has.
HANDLE Inheritable(const std::string& path, bool write) {
  if (path == StandardStreams::kClosed) return INVALID_HANDLE_VALUE;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const std::wstring name = path.empty() ? L"NUL" : Wide(path);
  return ::CreateFileW(name.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE Native(Child child) { return reinterpret_cast<HANDLE>(child); }

}  // namespace

// In a process group of its own, so that Ctrl-Break can be sent to it alone.
// The test's own descriptors (outDescriptor, errDescriptor) are not offered
// here.
Child StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const StandardStreams& streams) {
  std::wstring commandLine = Quoted(Wide(program));
  for (const std::string& argument : arguments) commandLine += L" " + Quoted(Wide(argument));
  const HANDLE input = Inheritable(streams.in, false);
  const HANDLE output = Inheritable(streams.out, true);
  const HANDLE error = Inheritable(streams.err, true);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = error;
  PROCESS_INFORMATION process{};
  const std::wstring path = Wide(program);
  const BOOL started = ::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT,
                                        nullptr, nullptr, &startup, &process);
  for (HANDLE handle : {input, output, error}) {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  }
  if (!started) return kNoChild;
  ::CloseHandle(process.hThread);
  return reinterpret_cast<Child>(process.hProcess);
}

int WaitForChild(Child child) {
  if (child == kNoChild) return -1;
  ::WaitForSingleObject(Native(child), INFINITE);
  DWORD code = 0;
  const BOOL known = ::GetExitCodeProcess(Native(child), &code);
  // Ctrl-C and Ctrl-Break left unhandled end a program with this status.
  if (code == STATUS_CONTROL_C_EXIT) code = 128 + 2;
  ::CloseHandle(Native(child));
  return known ? static_cast<int>(code) : -1;
}

bool ChildHasEnded(Child child) { return ::WaitForSingleObject(Native(child), 0) == WAIT_OBJECT_0; }

void KillChild(Child child) { ::TerminateProcess(Native(child), kKilledStatus); }

void InterruptChild(Child child) {
  ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, ::GetProcessId(Native(child)));
}

void AskChildToStop(Child child) { InterruptChild(child); }

}  // namespace albumdl::testing
