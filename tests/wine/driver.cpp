// Drives wordhex.exe and wordhex-cli.exe through the Win32 API as a user would: answers the open
// dialog, reads the error box back and dismisses it, and checks exit codes and the files in the
// current directory; runs wordhex-cli with a console, a file and a pipe for its messages. Prints a line
// per failed check and exits 1 if any failed. LANGUAGE is the user interface's, ru or en, which
// wordhex-cli is to speak; ASKED what the locale's variables of the environment ask for, which it is not
// to heed.
//   driver ACP LANGUAGE ASKED WORDHEX_EXE WORDHEX_CLI_EXE
#include <process.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using std::string;

namespace {

const char GOOD[] = ":0400100001020304E2\r\n:00000001FF\r\n", GOOD_OUT[] = ":0400080001020304EA\r\n:00000001FF\r\n";
const char BAD_SUM[] = ":0400100001020304E2\r\n:0400100001020304E3\r\n:00000001FF\r\n";
const char DAMAGED[] = ":0400100001020304E2\r\n:04001\r\n";
const char NONE[] = "(no file)";
int failures;

void Check(bool ok, const string &what) {
  if (!ok) printf("FAIL %s\n", what.c_str());
  failures += !ok;
}

string Read(const string &name) {
  std::ifstream file(fs::u8path(name), std::ios::binary);
  return file ? string(std::istreambuf_iterator<char>(file), {}) : NONE;
}

string Text(HWND window) {
  wchar_t text[512] = L"";
  GetWindowTextW(window, text, 512);
  return fs::path(text).u8string();
}

// Polls for up to 30 s for a visible dialog of the child other than `except`; null if it ended first.
HWND WaitForDialog(HANDLE child, HWND except) {
  DWORD owner = 0;
  for (int i = 0; i < 1500 && WaitForSingleObject(child, 20) == WAIT_TIMEOUT; i++) {
    for (HWND window = FindWindowExW(0, 0, L"#32770", 0); window; window = FindWindowExW(0, window, L"#32770", 0)) {
      GetWindowThreadProcessId(window, &owner);
      if (owner == GetProcessId(child) && window != except && IsWindowVisible(window)) return window;
    }
  }
  return nullptr;
}

// `box` is "caption: text" of the error box (empty: none), `input` null when the user cancels the dialog,
// `output` what is under the output's name afterwards, and `blocked` that a directory stands there.
struct GuiCase {
  string base, box;
  const char *input, *output;
  bool blocked;
};

void RunGui(const GuiCase &c, const std::wstring &program) {
  string input = c.base + ".hex", output = c.base + "_I16.hex";
  if (c.input) std::ofstream(fs::u8path(input), std::ios::binary) << c.input;
  if (c.blocked) fs::create_directory(fs::u8path(output));
  auto entries = [] { return std::distance(fs::directory_iterator("."), {}); };
  long before = entries();
  HANDLE child = (HANDLE)_wspawnl(_P_NOWAIT, program.c_str(), program.c_str(), nullptr);
  HWND dialog = WaitForDialog(child, nullptr), name = GetDlgItem(dialog, 0x47C);  // the file name box
  Check(name != nullptr, c.base + ": no open dialog with a file name box");
  SendMessageW(name, WM_SETTEXT, 0, (LPARAM)(fs::current_path() / fs::u8path(input)).c_str());
  PostMessageW(dialog, WM_COMMAND, c.input ? IDOK : IDCANCEL, 0);
  if (!c.box.empty()) {
    HWND box = WaitForDialog(child, dialog);
    // The output is removed only once the box is dismissed.
    string shown = Text(box) + ": " + Text(GetDlgItem(box, 0xFFFF)) +
                   (fs::exists(fs::u8path(output)) ? "" : " (and no output meanwhile)");
    Check(shown == c.box, c.base + ": box \"" + shown + "\"");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
  DWORD exitCode = 99;  // 99: still running after 20 s (an unexpected box?), and killed
  if (WaitForSingleObject(child, 20000) != WAIT_OBJECT_0 || !GetExitCodeProcess(child, &exitCode))
    TerminateProcess(child, 99);
  long made = entries() - before;
  Check(exitCode == 0 && made == (c.output == NONE ? 0 : 1) && Read(output) == c.output &&
            Read(input) == (c.input ? c.input : NONE),
        c.base + ": exit code " + std::to_string(exitCode) + ", " + std::to_string(made) + " file(s) more, output \"" +
            Read(output) + "\"");
}

// wordhex-cli ARGS where cli.hex holds `input` and cli_I16.hex `earlier` beforehand (NONE: no such file);
// `shown` is what its standard output and error show together, in UTF-8, a trailing "..." standing for
// any rest. With `interrupt` it reads part of a record from standard input, which then waits, and gets
// Ctrl-C.
struct CliCase {
  string args;
  const char *input, *earlier;
  int exitCode;
  string shown;
  const char *output;
  bool interrupt;
};

BOOL WINAPI Survive(DWORD) { return TRUE; }  // the driver's own Ctrl-C

void Put(const char *name, const char *content) {
  fs::remove(name);
  if (content != NONE) std::ofstream(name, std::ios::binary) << content;
}

// The lines of `screen` up to its cursor, without the blanks that pad them.
string Screen(HANDLE screen) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  GetConsoleScreenBufferInfo(screen, &info);
  string shown;
  for (SHORT y = 0; y <= info.dwCursorPosition.Y; y++) {
    wchar_t line[256];
    DWORD got = 0;
    ReadConsoleOutputCharacterW(screen, line, y < info.dwCursorPosition.Y ? 256 : info.dwCursorPosition.X, {0, y},
                                &got);
    while (got > 0 && line[got - 1] == L' ') got--;
    shown += fs::path(std::wstring(line, got)).u8string() + (y < info.dwCursorPosition.Y ? "\n" : "");
  }
  return shown;
}

// Runs `c` with standard output and error a screen of our console (`way` "console", under the console's
// current code page, which the program is not to heed), a file or a pipe.
void RunCli(const std::wstring &program, const CliCase &c, const string &way) {
  Put("cli.hex", c.input);
  Put("cli_I16.hex", c.earlier);
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  HANDLE in, feed, out, drain = nullptr;
  CreatePipe(&in, &feed, &inherited, 0);
  SetHandleInformation(feed, HANDLE_FLAG_INHERIT, 0);
  if (way == "console") {
    out = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                    CONSOLE_TEXTMODE_BUFFER, nullptr);
    SetConsoleScreenBufferSize(out, {256, 200});  // no line wraps, nor scrolling
  } else if (way == "file") {
    out = CreateFileW(L"shown.txt", GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
  } else {
    CreatePipe(&drain, &out, &inherited, 0);
    SetHandleInformation(drain, HANDLE_FLAG_INHERIT, 0);
  }
  STARTUPINFOW start = {};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = in;
  start.hStdOutput = start.hStdError = out;
  std::wstring line = L"\"" + program + L"\" " + fs::u8path(c.args).wstring();
  PROCESS_INFORMATION child = {};
  // Wine now and then fails a start that the next attempt makes: three tries, then the reason.
  bool started = false;
  for (int attempt = 0; attempt < 3 && !started; attempt++) {
    started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &child);
    if (!started) Sleep(200);
  }
  Check(out != INVALID_HANDLE_VALUE && started,
        "wordhex-cli " + c.args + ": not started (error " + std::to_string(GetLastError()) + ")");
  if (c.interrupt) {
    // Ctrl-C once it has read the bytes, and so is sure to have its handler in place.
    DWORD put = 0, waiting = 1;
    WriteFile(feed, ":0400100001", 11, &put, nullptr);
    for (int i = 0; i < 1500 && waiting > 0 && WaitForSingleObject(child.hProcess, 20) == WAIT_TIMEOUT; i++)
      PeekNamedPipe(in, nullptr, 0, nullptr, &waiting, nullptr);
    GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
  } else {
    CloseHandle(feed);  // the end of its input; interrupted, it never sees one
  }
  string shown;
  if (drain) {
    CloseHandle(out);
    char bytes[512];
    for (DWORD got; ReadFile(drain, bytes, sizeof bytes, &got, nullptr) && got > 0;) shown.append(bytes, got);
    CloseHandle(drain);
  }
  DWORD exitCode = 99;  // 99: still running after 30 s, and killed
  if (WaitForSingleObject(child.hProcess, 30000) != WAIT_OBJECT_0 || !GetExitCodeProcess(child.hProcess, &exitCode))
    TerminateProcess(child.hProcess, 99);
  if (way == "console") shown = Screen(out);
  if (!drain) CloseHandle(out);
  if (way == "file") shown = Read("shown.txt");
  if (c.interrupt) CloseHandle(feed);
  CloseHandle(in);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  size_t rest =
      c.shown.size() > 3 && c.shown.compare(c.shown.size() - 3, 3, "...") == 0 ? c.shown.size() - 3 : string::npos;
  Check(exitCode == (DWORD)c.exitCode && shown.substr(0, rest) == c.shown.substr(0, rest) &&
            Read("cli_I16.hex") == c.output,
        "wordhex-cli " + c.args + " to a " + way + " in code page " + std::to_string(GetConsoleOutputCP()) +
            ": exit code " + std::to_string(exitCode) + ", shown \"" + shown + "\", output \"" + Read("cli_I16.hex") +
            "\"");
  // Written to a temporary beside it, which never stays behind.
  for (const auto &entry : fs::directory_iterator("."))
    Check(entry.path().extension() != ".tmp", "left " + entry.path().string());
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 6) return 2;
  Check(GetACP() == (UINT)atoi(argv[1]), "ANSI code page " + std::to_string(GetACP()));
  const bool russian = string(argv[2]) == "ru";
  LANGID language = PRIMARYLANGID(GetUserDefaultUILanguage());
  Check(language == (russian ? LANG_RUSSIAN : LANG_ENGLISH), "language " + std::to_string(language));
  // As a POSIX program would choose: the first set of LANGUAGE, LC_ALL, LC_MESSAGES and LANG.
  string asked;
  for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
    if (asked.empty() && getenv(name)) asked = getenv(name);
  Check(asked.compare(0, 2, argv[3]) == 0, "the environment asks for \"" + asked + "\"");
  // A name the ANSI code page spells, and another one would spell differently.
  string local = GetACP() == 1251 ? "данные" : "données";
  const GuiCase cases[] = {
      {"good", "", GOOD, GOOD_OUT, false},
      {"sum", "Ошибка!: Ошибка контрольной суммы.", BAD_SUM, NONE, false},
      {"damaged", "Ошибка!: HEX файл повреждён.", DAMAGED, NONE, false},
      {local, "Ошибка!: Не удалось создать файл " + local + "_I16.hex!", GOOD, NONE, true},
      {"cancel", "", nullptr, NONE, false},
  };
  for (const GuiCase &c : cases) RunGui(c, fs::path(argv[4]).wstring());
  // A console of our own, for wordhex-cli to inherit; its code page is set for each run.
  FreeConsole();
  Check(AllocConsole() && SetConsoleCtrlHandler(Survive, TRUE), "no console");
  // wordhex-cli in the user interface's language; Wine has its system's reasons in both.
  auto in = [russian](const char *english, const char *inRussian) { return string(russian ? inRussian : english); };
  const CliCase cli[] = {
      {"cli.hex", GOOD, NONE, 0, "", GOOD_OUT, false},
      {"cli.hex", BAD_SUM, "earlier", 1,
       "wordhex-cli: cli.hex:2:18: " +
           in("Checksum error. (E3 in the record, E2 expected)",
              "Ошибка контрольной суммы. (в записи E3, должно быть E2)") +
           "\n",
       NONE, false},
      {"cli.hex", DAMAGED, NONE, 1,
       "wordhex-cli: cli.hex:2:4: " +
           in("HEX file damaged. (the line ends inside a record)",
              "HEX файл повреждён. (строка обрывается посреди записи)") +
           "\n",
       NONE, false},
      {"cli.hex", GOOD, "earlier", 0, "", GOOD_OUT, false},
      {local + "-none.hex", NONE, NONE, 1,
       "wordhex-cli: " + local + "-none.hex: " + in("File not found: ", "Не найден файл ") + local + "-none.hex! (" +
           in("File not found", "Файл не найден") + ")\n",
       NONE, false},
      {"", NONE, NONE, 130, "wordhex-cli: " + in("Interrupted.", "Прервано.") + "\n", NONE, true},
      {"--version", NONE, NONE, 0,
       "wordhex-cli " WORDHEX_VERSION "\n" + in("conversion paths", "пути преобразования") +
           ": fields portable sse2 ...",
       NONE, false},
      {"--help", NONE, NONE, 0, in("Usage", "Вызов") + ": wordhex-cli [--full-address | --to-bytes] ...", NONE, false},
  };
  std::wstring program = fs::path(argv[5]).make_preferred().wstring();
  for (UINT codePage : {866u, 437u, (UINT)CP_UTF8}) {
    Check(SetConsoleOutputCP(codePage), "no console code page " + std::to_string(codePage));
    for (const char *way : {"console", "file", "pipe"})
      for (const CliCase &c : cli) RunCli(program, c, way);
  }
  printf("%d failed check(s)\n", failures);
  return failures != 0;
}
