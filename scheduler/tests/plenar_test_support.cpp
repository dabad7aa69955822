#include "scheduler/tests/plenar_test_support.h"

#include <fstream>
#include <sstream>

namespace plenar_test {

namespace {

// KORVEL registered from the build for the whole run: PLENAR creates its classes by class
// identifier.
class RegisteredLibrary : public ::testing::Environment {
public:
    void SetUp() override {
        library_.reset(LoadLibraryW(besideTestProgram(L"KORVEL.dll").c_str()));
        ASSERT_TRUE(library_) << "KORVEL.dll beside the test program";
        auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(library_.get(), "DllRegisterServer")));
        ASSERT_NE(entry, nullptr);
        ASSERT_EQ(entry(), S_OK);
    }

private:
    unique_hmodule library_;
};

[[maybe_unused]] const auto* environment = ::testing::AddGlobalTestEnvironment(new RegisteredLibrary);

}  // namespace

std::wstring besideTestProgram(const wchar_t* fileName) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    folder.resize(folder.find_last_of(L'\\') + 1);
    return folder + fileName;
}

// The shipped program-folder defaults, from the source tree (a host path in UTF-8, seen through
// Z:; the tree may lie in a folder with accents).
std::wstring defaultsFolder() {
    const char* host = PLENAR_DEFAULTS_FOLDER;
    std::wstring path(MultiByteToWideChar(CP_UTF8, 0, host, -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, host, -1, path.data(), static_cast<int>(path.size()));
    path.resize(path.size() - 1);
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return L"Z:" + path;
}

static BOOL CALLBACK readStaticText(HWND child, LPARAM context) {
    auto& seen = *reinterpret_cast<MessageBoxSeen*>(context);
    if (windowClass(child) != L"Static" || !IsWindowVisible(child)) return TRUE;
    if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        seen.hasIcon = true;
    } else {
        const std::wstring text = windowText(child);
        if (!text.empty()) seen.text = text;
    }
    return TRUE;
}

MessageBoxSeen readMessageBox(HWND dialog) {
    MessageBoxSeen seen;
    seen.window = dialog;
    EnumChildWindows(dialog, readStaticText, reinterpret_cast<LPARAM>(&seen));
    return seen;
}

std::optional<MessageBoxSeen> waitForMessageBox(DWORD processId, const std::wstring& caption,
                                                std::chrono::milliseconds timeout) {
    HWND dialog = nullptr;
    if (!waitFor([&] { return (dialog = findTopLevel(processId, L"#32770", caption)) != nullptr && IsWindowVisible(dialog); },
                 timeout))
        return std::nullopt;
    // The text is filled in while the box opens.
    MessageBoxSeen seen;
    waitFor([&] { return !(seen = readMessageBox(dialog)).text.empty(); }, 2s);
    return seen;
}

void press(HWND dialog, int button) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
    // Until the box has gone: on a busy machine a box still closing would otherwise be found
    // again by the next wait for a box, which would then answer it and leave the next one up.
    waitFor([&] { return !IsWindow(dialog); }, 10s);
}

std::string readFileBytes(const std::wstring& path) {
    // Shared for deleting too: a test that watches the list must not stop PLENAR from moving a
    // new one over it.
    unique_hfile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

void writeFileBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out << bytes;
}

int countLines(const std::string& text) {
    int lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

std::string echoInto(const std::wstring& trace, const std::string& word) {
    // The 64-bit command processor for a 32-bit PLENAR too: where 32-bit programs are emulated,
    // a 32-bit one would take a minute to start.
    const std::string cmd = sizeof(void*) == 4 ? "C:\\windows\\sysnative\\cmd.exe" : "cmd.exe";
    return cmd + " /c echo " + word + ">>\"" + std::string(trace.begin(), trace.end()) + "\"";
}

std::string timeOfDay(const SYSTEMTIME& t) {
    char text[8];
    snprintf(text, sizeof text, "%02u:%02u", t.wHour, t.wMinute);
    return text;
}

void clickScreen(POINT point) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = MulDiv(point.x, 65535, width - 1);
        input.mi.dy = MulDiv(point.y, 65535, height - 1);
        input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    }
    inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    SendInput(3, inputs, sizeof(INPUT));
}

POINT cellPoint(HWND table, int viewRow, int column) {
    RECT header{};
    GetWindowRect(FindWindowExW(table, nullptr, L"SysHeader32", nullptr), &header);
    // The approximate view height grows by one row height per item.
    const LRESULT one = SendMessageW(table, LVM_APPROXIMATEVIEWRECT, 1, MAKELPARAM(-1, -1));
    const LRESULT two = SendMessageW(table, LVM_APPROXIMATEVIEWRECT, 2, MAKELPARAM(-1, -1));
    const int rowHeight = HIWORD(two) - HIWORD(one);
    int x = 0;
    for (int i = 0; i < column; ++i) x += static_cast<int>(SendMessageW(table, LVM_GETCOLUMNWIDTH, i, 0));
    x += static_cast<int>(SendMessageW(table, LVM_GETCOLUMNWIDTH, column, 0)) / 2;
    POINT origin{0, 0};
    ClientToScreen(table, &origin);
    return {origin.x + x, header.bottom + rowHeight * viewRow + rowHeight / 2};
}

int httpTestServerPort() {
    static const int port = [] {
        std::ifstream file(besideTestProgram(L"http_test_server.port").c_str());
        int p = 0;
        file >> p;
        return p;
    }();
    return port;
}

std::wstring httpTestAddress(const std::wstring& path, const wchar_t* host) {
    static int serial = 0;
    return std::wstring(L"http://") + host + L":" + std::to_wstring(httpTestServerPort()) + L"/" + path + L"?run=" +
           std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
}

std::string httpTestBody(const std::string& token) {
    std::string body;
    for (int i = 0; i < 2000; ++i) body += token + "\r\n";
    return body;
}

RemoteMemory::RemoteMemory(DWORD processId, std::size_t bytes)
    : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId)) {
    if (process_) address_ = VirtualAllocEx(process_.get(), nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteMemory::~RemoteMemory() {
    if (address_) VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE);
}

bool RemoteMemory::write(const void* data, std::size_t bytes, std::size_t offset) {
    SIZE_T done = 0;
    return address_ && WriteProcessMemory(process_.get(), at<char>(offset), data, bytes, &done) && done == bytes;
}

bool RemoteMemory::read(void* data, std::size_t bytes, std::size_t offset) const {
    SIZE_T done = 0;
    return address_ && ReadProcessMemory(process_.get(), at<char>(offset), data, bytes, &done) && done == bytes;
}

namespace {

constexpr int kRemoteTextChars = 512;

// Sends `message` with a structure copied into the other process and a text buffer after it,
// whose address the structure's text field (set by `pointTo`) receives; returns the text.
template <typename Structure, typename PointTo>
std::wstring remoteText(DWORD processId, HWND window, UINT message, WPARAM wParam, Structure structure,
                        PointTo pointTo) {
    RemoteMemory memory(processId, sizeof(Structure) + kRemoteTextChars * sizeof(wchar_t));
    if (!memory.valid()) return L"<no memory>";
    pointTo(structure, memory.at<wchar_t>(sizeof(Structure)));
    const wchar_t nothing = 0;
    if (!memory.write(&structure, sizeof structure) || !memory.write(&nothing, sizeof nothing, sizeof(Structure)))
        return L"<not written>";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, message, wParam, reinterpret_cast<LPARAM>(memory.address()), SMTO_ABORTIFHUNG,
                        5000, &ignored);
    std::wstring text(kRemoteTextChars, L'\0');
    if (!memory.read(text.data(), text.size() * sizeof(wchar_t), sizeof(Structure))) return L"<not read>";
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

}  // namespace

std::wstring tableCellText(DWORD processId, HWND table, int viewRow, int column) {
    LVITEMW item{};
    item.iSubItem = column;
    item.cchTextMax = kRemoteTextChars;
    return remoteText(processId, table, LVM_GETITEMTEXTW, static_cast<WPARAM>(viewRow), item,
                      [](LVITEMW& i, wchar_t* text) { i.pszText = text; });
}

std::wstring tableColumnCaption(DWORD processId, HWND table, int column) {
    LVCOLUMNW info{};
    info.mask = LVCF_TEXT;
    info.cchTextMax = kRemoteTextChars;
    return remoteText(processId, table, LVM_GETCOLUMNW, static_cast<WPARAM>(column), info,
                      [](LVCOLUMNW& c, wchar_t* text) { c.pszText = text; });
}

std::wstring tabCaption(DWORD processId, HWND tabStrip, int tab) {
    TCITEMW info{};
    info.mask = TCIF_TEXT;
    info.cchTextMax = kRemoteTextChars;
    return remoteText(processId, tabStrip, TCM_GETITEMW, static_cast<WPARAM>(tab), info,
                      [](TCITEMW& t, wchar_t* text) { t.pszText = text; });
}

RECT tabScreenRect(DWORD processId, HWND tabStrip, int tab) {
    RECT rect{};
    RemoteMemory memory(processId, sizeof rect);
    DWORD_PTR ignored = 0;
    if (!memory.valid() ||
        !SendMessageTimeoutW(tabStrip, TCM_GETITEMRECT, static_cast<WPARAM>(tab),
                             reinterpret_cast<LPARAM>(memory.address()), SMTO_ABORTIFHUNG, 5000, &ignored) ||
        !memory.read(&rect, sizeof rect))
        return {};
    MapWindowPoints(tabStrip, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace plenar_test
