// Drives wordhex.exe and wordhex-cli.exe end to end through the Win32 API,
// as a user (or a script) would: starts the program, answers its open dialog,
// reads back and dismisses its error box, and checks the exit code and files.
//
//   driver gui ACP WORDHEX_EXE DIRECTORY
//   driver cli ACP WORDHEX_CLI_EXE DIRECTORY
//
// ACP is the ANSI code page the run must be under; DIRECTORY an empty scratch
// directory (a Unix path is taken as one on Wine's drive Z:). Prints one line
// per check that failed and exits 1 if any did.
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

const char GOOD[] = ":0400100001020304E2\r\n:00000001FF\r\n";
const char GOOD_OUT[] = ":0400080001020304EA\r\n:00000001FF\r\n";
const char BAD_SUM[] = ":0400100001020304E2\r\n:0400100001020304E3\r\n:00000001FF\r\n";
const char DAMAGED[] = ":0400100001020304E2\r\n:04001\r\n";
const char NO_END[] = ":0400100001020304E2\r\n";
const char OLDER[] = "an older output\r\n";

const wchar_t CAPTION[] = L"Ошибка!";

// Every wait is a poll with a deadline.
const DWORD DIALOG_DEADLINE_MS = 30000;
const DWORD BOX_DEADLINE_MS = 20000;
const DWORD EXIT_DEADLINE_MS = 20000;
const DWORD POLL_MS = 20;

int Failures;
std::wstring CaseName;

std::string Utf8(const std::wstring &text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), nullptr, 0, nullptr, nullptr);
  std::string bytes(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), &bytes[0], size, nullptr, nullptr);
  return bytes;
}

std::string Encode(UINT codePage, const std::wstring &text) {
  int size = WideCharToMultiByte(codePage, 0, text.c_str(), (int)text.size(), nullptr, 0, nullptr, nullptr);
  std::string bytes(size, '\0');
  WideCharToMultiByte(codePage, 0, text.c_str(), (int)text.size(), &bytes[0], size, nullptr, nullptr);
  return bytes;
}

std::wstring Widen(const std::string &ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// Shows bytes readably: printable ASCII as it is, everything else as \xNN.
std::string Escaped(const std::string &bytes) {
  std::string shown;
  for (unsigned char c : bytes) {
    char hex[8];
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      shown += (char)c;
    } else {
      snprintf(hex, sizeof hex, "\\x%02X", c);
      shown += hex;
    }
  }
  return shown;
}

// Ends a case with one line saying how it went.
void Report(int failuresBefore) {
  printf("%s %s\n", Failures == failuresBefore ? "ok  " : "FAIL", Utf8(CaseName).c_str());
  fflush(stdout);
}

void Fail(const std::string &what) {
  printf("FAIL [%s] %s\n", Utf8(CaseName).c_str(), what.c_str());
  fflush(stdout);
  Failures++;
}

void Check(bool condition, const std::string &what) {
  if (!condition) Fail(what);
}

void CheckText(const std::wstring &actual, const std::wstring &expected, const std::string &what) {
  if (actual != expected) Fail(what + ": got \"" + Utf8(actual) + "\", expected \"" + Utf8(expected) + "\"");
}

// Files, by wide path so that names outside ASCII are what the test means.

bool WriteBytes(const std::wstring &path, const std::string &bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &put, nullptr);
  CloseHandle(file);
  return ok && put == bytes.size();
}

// False when the file cannot be read (missing, a directory, locked).
bool ReadBytes(const std::wstring &path, std::string *bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes->clear();
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes->append(buffer, got);
  CloseHandle(file);
  return true;
}

bool Exists(const std::wstring &path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsDirectory(const std::wstring &path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<std::wstring> List(const std::wstring &directory) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.push_back(found.cFileName);
  while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

// Windows of a process: the top-level dialogs ("#32770"), visible ones only.

struct DialogSearch {
  DWORD process;
  HWND except;
  HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter) {
  DialogSearch *search = reinterpret_cast<DialogSearch *>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t name[32];
  if (owner != search->process || window == search->except || !IsWindowVisible(window) ||
      GetClassNameW(window, name, 32) == 0 || lstrcmpW(name, L"#32770") != 0) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

HWND DialogOf(DWORD process, HWND except) {
  DialogSearch search = {process, except, nullptr};
  EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Polls for a dialog of the process other than `except`; null when the
// process ended or the deadline passed first.
HWND WaitForDialog(const PROCESS_INFORMATION &child, HWND except, DWORD deadlineMs) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND dialog = DialogOf(child.dwProcessId, except);
    if (dialog != nullptr) return dialog;
    if (WaitForSingleObject(child.hProcess, 0) == WAIT_OBJECT_0) return nullptr;
    if (GetTickCount() - start > deadlineMs) return nullptr;
    Sleep(POLL_MS);
  }
}

std::wstring TextOf(HWND window) {
  wchar_t text[1024];
  int length = GetWindowTextW(window, text, 1024);
  return std::wstring(text, length > 0 ? length : 0);
}

BOOL CALLBACK FindMessageText(HWND window, LPARAM parameter) {
  if ((GetDlgCtrlID(window) & 0xFFFF) != 0xFFFF) return TRUE;
  *reinterpret_cast<HWND *>(parameter) = window;
  return FALSE;
}

// The text of a message box: its static control, id 0xFFFF.
std::wstring MessageTextOf(HWND box) {
  HWND text = nullptr;
  EnumChildWindows(box, FindMessageText, reinterpret_cast<LPARAM>(&text));
  return text != nullptr ? TextOf(text) : L"(no text control)";
}

void Press(HWND dialog, int button) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)GetDlgItem(dialog, button));
}

// Waits for the process to end; kills it when it does not. Any dialog that
// shows up meanwhile is unexpected: it is reported and dismissed.
bool WaitForExit(const PROCESS_INFORMATION &child, HWND except, DWORD *exitCode) {
  DWORD start = GetTickCount();
  while (WaitForSingleObject(child.hProcess, POLL_MS) == WAIT_TIMEOUT) {
    HWND dialog = DialogOf(child.dwProcessId, except);
    if (dialog != nullptr) {
      Fail("unexpected window \"" + Utf8(TextOf(dialog)) + "\": \"" + Utf8(MessageTextOf(dialog)) + "\"");
      Press(dialog, IDOK);
      except = dialog;
    }
    if (GetTickCount() - start > EXIT_DEADLINE_MS) {
      Fail("the program did not end in time");
      TerminateProcess(child.hProcess, 99);
      WaitForSingleObject(child.hProcess, EXIT_DEADLINE_MS);
      return false;
    }
  }
  GetExitCodeProcess(child.hProcess, exitCode);
  return true;
}

bool Start(const std::wstring &commandLine, const std::wstring &directory, PROCESS_INFORMATION *child,
           STARTUPINFOW *startup, bool inherit) {
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, inherit, 0, nullptr, directory.c_str(), startup, child)) {
    Fail("cannot start " + Utf8(commandLine) + ", error " + std::to_string(GetLastError()));
    return false;
  }
  return true;
}

void Stop(PROCESS_INFORMATION *child) {
  if (WaitForSingleObject(child->hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(child->hProcess, 99);
    WaitForSingleObject(child->hProcess, EXIT_DEADLINE_MS);
  }
  CloseHandle(child->hThread);
  CloseHandle(child->hProcess);
}

// The interactive program.

enum Setup {
  PLAIN,
  OLDER_OUTPUT,         // an older output of that name is there beforehand
  OUTPUT_IS_DIRECTORY,  // a directory stands in the output's place
  OUTPUT_LOCKED,        // another program holds the output's name open, unshared
  INPUT_LOCKED,         // another program holds the input open, unshared
  CANCEL,               // the user cancels the dialog
};

struct GuiCase {
  const wchar_t *base;  // input base name; "*" is replaced by a name in the ANSI code page
  const char *input;    // its content
  Setup setup;
  const wchar_t *text;    // the error box's text, "*" standing for the base name; null: no box
  const char *converted;  // the output after a success
};

const GuiCase GUI_CASES[] = {
    {L"good", GOOD, PLAIN, nullptr, GOOD_OUT},
    {L"replaced", GOOD, OLDER_OUTPUT, nullptr, GOOD_OUT},
    {L"*", GOOD, PLAIN, nullptr, GOOD_OUT},
    {L"sum", BAD_SUM, OLDER_OUTPUT, L"Ошибка контрольной суммы.", nullptr},
    {L"damaged", DAMAGED, OLDER_OUTPUT, L"HEX файл повреждён.", nullptr},
    {L"noend", NO_END, PLAIN, L"HEX файл повреждён.", nullptr},
    {L"cancel", GOOD, CANCEL, nullptr, nullptr},
    {L"dir", GOOD, OUTPUT_IS_DIRECTORY, L"Не удалось создать файл *_I16.hex!", nullptr},
    {L"held", GOOD, OUTPUT_LOCKED, L"Не удалось создать файл *_I16.hex!", nullptr},
    {L"locked", GOOD, INPUT_LOCKED, L"Не найден файл *.hex!", nullptr},
    {L"*-locked", GOOD, INPUT_LOCKED, L"Не найден файл *.hex!", nullptr},
};

std::wstring Replace(const std::wstring &pattern, const std::wstring &name) {
  std::wstring text = pattern;
  size_t star = text.find(L'*');
  if (star != std::wstring::npos) text.replace(star, 1, name);
  return text;
}

void RunGuiCase(const GuiCase &c, const std::wstring &program, const std::wstring &directory,
                const std::wstring &localName) {
  std::wstring base = Replace(c.base, localName);
  CaseName = base + L" (" + Widen(c.setup == CANCEL ? "cancel" : c.text != nullptr ? "error" : "success") + L")";
  std::wstring input = directory + L"\\" + base + L".hex";
  std::wstring output = directory + L"\\" + base + L"_I16.hex";
  Check(WriteBytes(input, c.input), "cannot write the input");
  HANDLE held = INVALID_HANDLE_VALUE;
  if (c.setup == OLDER_OUTPUT || c.setup == OUTPUT_LOCKED) Check(WriteBytes(output, OLDER), "cannot write");
  if (c.setup == OUTPUT_IS_DIRECTORY) Check(CreateDirectoryW(output.c_str(), nullptr) != 0, "cannot make a directory");
  if (c.setup == OUTPUT_LOCKED || c.setup == INPUT_LOCKED) {
    held = CreateFileW((c.setup == OUTPUT_LOCKED ? output : input).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    Check(held != INVALID_HANDLE_VALUE, "cannot hold the file open");
  }
  std::vector<std::wstring> before = List(directory);

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child;
  if (!Start(L"\"" + program + L"\"", directory, &child, &startup, false)) {
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    return;
  }

  HWND dialog = WaitForDialog(child, nullptr, DIALOG_DEADLINE_MS);
  if (dialog == nullptr) {
    Fail("no open dialog appeared");
    Stop(&child);
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    return;
  }
  if (c.setup == CANCEL) {
    Press(dialog, IDCANCEL);
  } else {
    // The file name field: a combo box in the explorer-style dialog, an edit in the old one.
    HWND field = GetDlgItem(dialog, 0x047C);
    if (field == nullptr) field = GetDlgItem(dialog, 0x0480);
    Check(field != nullptr, "the dialog has no file name field");
    DWORD_PTR result = 0;
    SendMessageTimeoutW(field, WM_SETTEXT, 0, (LPARAM)input.c_str(), SMTO_ABORTIFHUNG, BOX_DEADLINE_MS, &result);
    Press(dialog, IDOK);
  }

  if (c.text != nullptr) {
    HWND box = WaitForDialog(child, dialog, BOX_DEADLINE_MS);
    if (box == nullptr) {
      Fail("no error box appeared");
    } else {
      CheckText(TextOf(box), CAPTION, "caption");
      CheckText(MessageTextOf(box), Replace(c.text, base), "text");
      if (c.setup == OLDER_OUTPUT || c.setup == PLAIN) {
        std::string shown;
        Check(ReadBytes(output, &shown) && shown != OLDER, "the new output is not there while the box is shown");
      }
      if (c.setup == INPUT_LOCKED) Check(!Exists(output), "an output was created for an input that was not opened");
      Press(box, IDOK);
      dialog = box;
    }
  }
  DWORD exitCode = 1;
  if (WaitForExit(child, dialog, &exitCode)) Check(exitCode == 0, "exit code " + std::to_string(exitCode));
  Stop(&child);
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);

  std::string bytes;
  Check(ReadBytes(input, &bytes) && bytes == c.input, "the input changed");
  if (c.converted != nullptr) {
    Check(ReadBytes(output, &bytes) && bytes == c.converted, "output \"" + Escaped(bytes) + "\"");
  } else if (c.setup == OUTPUT_IS_DIRECTORY) {
    Check(IsDirectory(output), "the directory in the output's place is gone");
  } else if (c.setup == OUTPUT_LOCKED) {
    Check(ReadBytes(output, &bytes) && bytes == OLDER, "the file held open changed");
  } else {
    Check(!Exists(output), "an output is left");
  }
  if (c.setup == CANCEL || c.setup == INPUT_LOCKED) Check(List(directory) == before, "files were created");
}

// The command-line program, its messages in the console's code page.

struct CliCase {
  const char *file;  // written beforehand unless `input` is null
  const char *input;
  const char *arguments;  // the command line after the program
  bool piped;             // standard input is `file`
  DWORD exitCode;
  const wchar_t *message;  // standard error
  const char *output;      // where the converted image goes (stdout.txt: standard output)
  const char *converted;   // its content after a success; null: no output
};

const CliCase CLI_CASES[] = {
    {"app.hex", GOOD, "app.hex", false, 0, L"", "app_I16.hex", GOOD_OUT},
    {"piped.hex", GOOD, "-o - -", true, 0, L"", "stdout.txt", GOOD_OUT},
    {"sum.hex", BAD_SUM, "sum.hex", false, 1, L"wordhex-cli: sum.hex:2:18: Ошибка контрольной суммы.\n", "sum_I16.hex",
     nullptr},
    {"damaged.hex", DAMAGED, "damaged.hex", false, 1, L"wordhex-cli: damaged.hex:2:4: HEX файл повреждён.\n",
     "damaged_I16.hex", nullptr},
    {"missing.hex", nullptr, "missing.hex", false, 1, L"wordhex-cli: missing.hex: Не найден файл missing.hex!\n",
     "missing_I16.hex", nullptr},
};

HANDLE Inheritable(const std::wstring &path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES security = {sizeof security, nullptr, TRUE};
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &security, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

void RunCliCase(const CliCase &c, const std::wstring &program, const std::wstring &directory, UINT consoleCodePage) {
  CaseName = Widen(c.arguments) + L" (console " + std::to_wstring(consoleCodePage) + L")";
  std::wstring input = directory + L"\\" + Widen(c.file);
  std::wstring output = directory + L"\\" + Widen(c.output);
  DeleteFileW(output.c_str());
  if (c.input != nullptr) Check(WriteBytes(input, c.input), "cannot write the input");

  std::wstring errors = directory + L"\\stderr.txt";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = Inheritable(c.piped ? input : L"NUL", GENERIC_READ, OPEN_EXISTING);
  startup.hStdOutput = Inheritable(directory + L"\\stdout.txt", GENERIC_WRITE, CREATE_ALWAYS);
  startup.hStdError = Inheritable(errors, GENERIC_WRITE, CREATE_ALWAYS);
  PROCESS_INFORMATION child;
  bool started = Start(L"\"" + program + L"\" " + Widen(c.arguments), directory, &child, &startup, true);
  CloseHandle(startup.hStdInput);
  CloseHandle(startup.hStdOutput);
  CloseHandle(startup.hStdError);
  if (!started) return;
  DWORD exitCode = 99;
  if (WaitForExit(child, nullptr, &exitCode)) Check(exitCode == c.exitCode, "exit code " + std::to_string(exitCode));
  Stop(&child);

  std::string printed;
  ReadBytes(errors, &printed);
  // UTF-8 is spelled out here, apart from the conversion under test.
  std::string expected = consoleCodePage == CP_UTF8 ? Utf8(c.message) : Encode(consoleCodePage, c.message);
  Check(printed == expected, "printed \"" + Escaped(printed) + "\", expected \"" + Escaped(expected) + "\"");
  std::string bytes;
  if (c.converted != nullptr) {
    Check(ReadBytes(output, &bytes) && bytes == c.converted, "output \"" + Escaped(bytes) + "\"");
  } else {
    Check(!Exists(output), "an output is left");
  }
  if (c.input != nullptr) Check(ReadBytes(input, &bytes) && bytes == c.input, "the input changed");
}

// Gives the driver a console of its own in `codePage`, which the program
// inherits; the driver's own report still goes where it went.
bool UseConsole(UINT codePage) {
  FreeConsole();
  if (!AllocConsole() && GetConsoleWindow() == nullptr) return false;
  return SetConsoleOutputCP(codePage) && GetConsoleOutputCP() == codePage;
}

std::wstring WindowsPath(const char *path) {
  std::wstring wide = Widen(path);
  if (!wide.empty() && wide[0] == L'/') wide = L"Z:" + wide;
  for (wchar_t &c : wide) {
    if (c == L'/') c = L'\\';
  }
  while (wide.size() > 3 && wide.back() == L'\\') wide.pop_back();
  return wide;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 5) {
    printf("usage: driver gui|cli ACP PROGRAM DIRECTORY\n");
    return 2;
  }
  std::string mode = argv[1];
  UINT expectedCodePage = (UINT)atoi(argv[2]);
  std::wstring program = WindowsPath(argv[3]);
  std::wstring directory = WindowsPath(argv[4]);

  // Both paths of the error box are chosen by the ANSI code page: check that
  // the one meant is in effect.
  printf("ANSI code page %u, OEM code page %u\n", GetACP(), GetOEMCP());
  fflush(stdout);
  CaseName = L"code page";
  Check(GetACP() == expectedCodePage, "the ANSI code page is not " + std::to_string(expectedCodePage));

  // A name that the ANSI code page can spell, and that another one would spell differently.
  std::wstring localName = GetACP() == 1251 ? L"данные" : L"données";
  if (mode == "gui") {
    for (const GuiCase &c : GUI_CASES) {
      int before = Failures;
      RunGuiCase(c, program, directory, localName);
      Report(before);
    }
  } else if (mode == "cli") {
    for (UINT consoleCodePage : {(UINT)CP_UTF8, 866u}) {
      CaseName = L"console";
      if (!UseConsole(consoleCodePage)) {
        Fail("cannot set up a console in code page " + std::to_string(consoleCodePage));
        continue;
      }
      for (const CliCase &c : CLI_CASES) {
        int before = Failures;
        RunCliCase(c, program, directory, consoleCodePage);
        Report(before);
      }
    }
  } else {
    printf("unknown mode %s\n", mode.c_str());
    return 2;
  }
  printf("%s: %d failed check(s)\n", mode.c_str(), Failures);
  return Failures == 0 ? 0 : 1;
}
