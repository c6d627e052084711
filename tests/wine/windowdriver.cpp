// SPDX-License-Identifier: MIT
// Works another program's windows as a player would, through Windows' own input, for the
// test of the real varnholt.exe. Every command exits 0 when done and 1 when it could not be.
//   windowdriver wait CAPTION            until a window with that caption is shown and its
//                                        program ready for input (20 s)
//   windowdriver gone CAPTION            until none is shown (20 s)
//   windowdriver click CAPTION X Y       a left click at a point of its client area; a
//                                        negative Y counts up from the client's bottom
//   windowdriver keys CAPTION KEY...     keys pressed in it: Down, Up, Tab, Return, Esc, Space, Ctrl+A...
//   windowdriver clipboard FILE          the clipboard's text, once there is any, as UTF-8, into FILE
//   windowdriver shot CAPTION FILE.png   the window's client area as the screen shows it
#include <QImage>
#include <QString>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::wstring wide(const char* text)
{
    return QString::fromUtf8(text).toStdWString();
}

// The shown top-level window with that caption; hidden ones (a closed drop-down list
// takes its window's caption) are passed over.
HWND shownWindow(const std::wstring& caption)
{
    for (HWND window = FindWindowExW(nullptr, nullptr, nullptr, caption.c_str()); window != nullptr;
         window = FindWindowExW(nullptr, window, nullptr, caption.c_str()))
        if (IsWindowVisible(window))
            return window;
    return nullptr;
}

// Polls until the condition holds, for up to 20 seconds.
bool eventually(const std::function<bool()>& condition)
{
    for (auto deadline = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < deadline;) {
        if (condition())
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

// A window shown is waited for until its program is ready for input, too.
bool waitFor(const std::wstring& caption, bool shown)
{
    const bool reached = eventually([&] { return (shownWindow(caption) != nullptr) == shown; });
    if (!reached || !shown)
        return reached;
    DWORD processId = 0;
    GetWindowThreadProcessId(shownWindow(caption), &processId);
    const std::unique_ptr<void, decltype(&CloseHandle)> process(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId), &CloseHandle);
    return process && WaitForInputIdle(process.get(), 20000) == 0;
}

void send(std::vector<INPUT> inputs)
{
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    std::this_thread::sleep_for(200ms); // the other program takes them in its own time
}

INPUT key(WORD virtualKey, bool up)
{
    INPUT input {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

bool pressKeys(HWND window, int count, char* names[])
{
    static const std::map<std::string, WORD> named { { "Down", VK_DOWN }, { "Up", VK_UP }, { "Tab", VK_TAB },
        { "Return", VK_RETURN }, { "Esc", VK_ESCAPE }, { "Space", VK_SPACE } };
    SetForegroundWindow(window);
    for (int i = 0; i < count; ++i) {
        const std::string name = names[i];
        const bool control = name.starts_with("Ctrl+");
        const std::string base = control ? name.substr(5) : name;
        const auto found = named.find(base);
        if (found == named.end() && base.size() != 1)
            return false;
        const WORD virtualKey = found != named.end() ? found->second : static_cast<WORD>(base[0]);
        std::vector<INPUT> inputs;
        if (control)
            inputs.push_back(key(VK_CONTROL, false));
        inputs.push_back(key(virtualKey, false));
        inputs.push_back(key(virtualKey, true));
        if (control)
            inputs.push_back(key(VK_CONTROL, true));
        send(inputs);
    }
    return true;
}

bool click(HWND window, int x, int y)
{
    RECT client {};
    GetClientRect(window, &client);
    POINT point { x, y < 0 ? client.bottom + y : y };
    ClientToScreen(window, &point);
    SetForegroundWindow(window);
    SetCursorPos(point.x, point.y);
    std::this_thread::sleep_for(100ms);
    INPUT down {};
    down.type = INPUT_MOUSE;
    down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    INPUT up = down;
    up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    send({ down, up });
    return true;
}

// Waits for the text the program is copying, in a clipboard that held none before.
bool saveClipboard(const char* file)
{
    if (!eventually([] { return IsClipboardFormatAvailable(CF_UNICODETEXT) != 0; }) || !OpenClipboard(nullptr))
        return false;
    std::wstring text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    const QByteArray bytes = QString::fromStdWString(text).toUtf8();
    FILE* out = std::fopen(file, "wb");
    const bool written = out != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), out) == std::size_t(bytes.size());
    return out != nullptr && std::fclose(out) == 0 && written;
}

bool screenshot(HWND window, const char* file)
{
    // Whatever the window has still to draw, drawn first; the client area alone, as the
    // frame is the window manager's, which under Wine is not Windows'.
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT client {};
    GetClientRect(window, &client);
    POINT origin {};
    ClientToScreen(window, &origin);
    const RECT frame { origin.x, origin.y, origin.x + client.right, origin.y + client.bottom };
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    QImage picture(width, height, QImage::Format_RGB32);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    BITMAPINFO format {};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height; // top row first, as QImage keeps them
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    const int rows = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), picture.bits(), &format, DIB_RGB_COLORS);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return rows == height && picture.save(QString::fromUtf8(file), "PNG");
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "clipboard" && argc == 3)
        return saveClipboard(argv[2]) ? 0 : 1;
    if (argc < 3) {
        std::fprintf(stderr, "usage: windowdriver wait|gone|click|keys|shot CAPTION ... | clipboard FILE\n");
        return 2;
    }
    const std::wstring caption = wide(argv[2]);
    if (command == "wait" || command == "gone")
        return waitFor(caption, command == "wait") ? 0 : 1;
    HWND window = shownWindow(caption);
    if (window == nullptr) {
        std::fprintf(stderr, "windowdriver: no window \"%s\" is shown\n", argv[2]);
        return 1;
    }
    if (command == "click" && argc == 5)
        return click(window, std::atoi(argv[3]), std::atoi(argv[4])) ? 0 : 1;
    if (command == "keys")
        return pressKeys(window, argc - 3, argv + 3) ? 0 : 1;
    if (command == "shot" && argc == 4)
        return screenshot(window, argv[3]) ? 0 : 1;
    std::fprintf(stderr, "windowdriver: cannot %s\n", command.c_str());
    return 2;
}
