// Drives wordhex.exe and wordhex-cli.exe through the Win32 API as a user would: answers the open
// dialog, reads the error box back and dismisses it, and checks exit codes and the files in the
// current directory. Prints a line per failed check and exits 1 if any failed.
//   driver ACP WORDHEX_EXE WORDHEX_CLI_EXE
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

// wordhex-cli converts cli.hex; its message is in the console's code page.
void RunCli(const string &program, const char *input, int exitCode, const string &message, const char *output) {
  std::ofstream("cli.hex", std::ios::binary) << input;
  int status = system(("\"\"" + program + "\" cli.hex 2>stderr.txt\"").c_str());
  Check(status == exitCode && Read("stderr.txt") == message && Read("cli_I16.hex") == output,
        "wordhex-cli: exit code " + std::to_string(status) + ", printed \"" + Read("stderr.txt") + "\", output \"" +
            Read("cli_I16.hex") + "\"");
  // Written to a temporary beside it, which never stays behind.
  for (const auto &entry : fs::directory_iterator("."))
    Check(entry.path().extension() != ".tmp", "left " + entry.path().string());
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 4) return 2;
  Check(GetACP() == (UINT)atoi(argv[1]), "ANSI code page " + std::to_string(GetACP()));
  // A name the ANSI code page spells, and another one would spell differently.
  string local = GetACP() == 1251 ? "данные" : "données";
  const GuiCase cases[] = {
      {"good", "", GOOD, GOOD_OUT, false},
      {"sum", "Ошибка!: Ошибка контрольной суммы.", BAD_SUM, NONE, false},
      {"damaged", "Ошибка!: HEX файл повреждён.", DAMAGED, NONE, false},
      {local, "Ошибка!: Не удалось создать файл " + local + "_I16.hex!", GOOD, NONE, true},
      {"cancel", "", nullptr, NONE, false},
  };
  for (const GuiCase &c : cases) RunGui(c, fs::path(argv[2]).wstring());
  // A console of our own in UTF-8, for wordhex-cli to inherit.
  FreeConsole();
  Check(AllocConsole() && SetConsoleOutputCP(CP_UTF8), "no UTF-8 console");
  string cli = fs::path(argv[3]).make_preferred().string();
  RunCli(cli, GOOD, 0, "", GOOD_OUT);
  RunCli(cli, BAD_SUM, 1, "wordhex-cli: cli.hex:2:18: Ошибка контрольной суммы. (в записи E3, должно быть E2)\n", NONE);
  std::ofstream("cli_I16.hex") << "earlier";
  RunCli(cli, GOOD, 0, "", GOOD_OUT);
  printf("%d failed check(s)\n", failures);
  return failures != 0;
}
