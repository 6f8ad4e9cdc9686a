#include "platform/desktop.h"

#include "platform/system_folder.h"
#include "platform/win32/com_ref.h"

#include <windows.h>

#include <mmsystem.h>
#include <objbase.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <cstring>
#include <cwctype>
#include <system_error>

namespace platform {
namespace {

using win32::ComRef;

// The thread's COM apartment for the length of one dialog; left alone when it was not entered.
class ComScope {
public:
    ComScope() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (SUCCEEDED(result_)) {
            ::CoUninitialize();
        }
    }

private:
    HRESULT result_;
};

// The chosen folder; empty when the user cancelled or a step failed.
std::wstring showFolderDialog(IFileOpenDialog& dialog, HWND owner, const std::wstring& title) {
    FILEOPENDIALOGOPTIONS options = 0;
    if (FAILED(dialog.GetOptions(&options)) ||
        FAILED(dialog.SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM |
                                 FOS_PATHMUSTEXIST)) ||
        FAILED(dialog.SetTitle(title.c_str())) || FAILED(dialog.Show(owner))) {
        return {};
    }
    ComRef<IShellItem> item;
    if (FAILED(dialog.GetResult(item.put()))) {
        return {};
    }
    PWSTR name = nullptr;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &name)) || name == nullptr) {
        return {};
    }
    std::wstring folder(name);
    ::CoTaskMemFree(name);
    return folder;
}

// The clipboard while it is open; closed on every path.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner) : open_(::OpenClipboard(owner) != FALSE) {}
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    ~OpenClipboardScope() {
        if (open_) {
            ::CloseClipboard();
        }
    }
    bool open() const { return open_; }

private:
    bool open_;
};

// Global memory until the clipboard takes it over.
class GlobalMemory {
public:
    explicit GlobalMemory(SIZE_T bytes) : memory_(::GlobalAlloc(GMEM_MOVEABLE, bytes)) {}
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;
    ~GlobalMemory() {
        if (memory_ != nullptr) {
            ::GlobalFree(memory_);
        }
    }
    HGLOBAL get() const { return memory_; }
    void handOver() { memory_ = nullptr; }

private:
    HGLOBAL memory_;
};

// Keys of the extended scan-code set, for systems whose MAPVK_VK_TO_VSC_EX does not mark them.
bool isExtendedKey(std::uint8_t virtualKey) {
    switch (virtualKey) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_SNAPSHOT:
    case VK_INSERT:
    case VK_DELETE:
    case VK_LWIN:
    case VK_RWIN:
    case VK_APPS:
    case VK_DIVIDE:
    case VK_RCONTROL:
    case VK_RMENU:
        return true;
    default:
        return false;
    }
}

class Win32Desktop final : public Desktop {
public:
    void playSound(std::span<const std::uint8_t> waveImage) override {
        ::PlaySoundW(reinterpret_cast<LPCWSTR>(waveImage.data()), nullptr,
                     SND_ASYNC | SND_NODEFAULT | SND_MEMORY);
    }
    void stopSound() override { ::PlaySoundW(nullptr, nullptr, 0); }

    FolderChoice pickFolder(WindowHandle owner, const std::wstring& title) override {
        const ComScope com;
        ComRef<IFileOpenDialog> dialog;
        if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IFileOpenDialog, dialog.putVoid()))) {
            return {FolderChoice::Result::unavailable, {}};
        }
        std::wstring folder = showFolderDialog(*dialog.get(), static_cast<HWND>(owner), title);
        if (folder.empty()) {
            return {FolderChoice::Result::cancelled, {}};
        }
        return {FolderChoice::Result::chosen, std::move(folder)};
    }

    OpenResult openPath(WindowHandle owner, const std::filesystem::path& path) override {
        const HINSTANCE result = ::ShellExecuteW(static_cast<HWND>(owner), L"open", path.c_str(),
                                                 nullptr, nullptr, SW_SHOWNORMAL);
        // Values above 32 mean success.
        const INT_PTR code = reinterpret_cast<INT_PTR>(result);
        if (code > 32) {
            return OpenResult::opened;
        }
        return code == SE_ERR_NOASSOC ? OpenResult::noAssociation : OpenResult::failed;
    }

    bool openAsText(WindowHandle owner, const std::filesystem::path& path) override {
        // Notepad offers to create a file that is missing; the shell finds nothing to open.
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) {
            return false;
        }
        // Every Windows has Notepad in its system folder; one of the search path could be
        // anybody's program.
        const auto system = systemFolder();
        if (!system) {
            return false;
        }
        const std::filesystem::path notepad = *system / L"notepad.exe";
        // No Windows path holds a quotation mark.
        const std::wstring argument = L"\"" + path.wstring() + L"\"";
        const HINSTANCE result = ::ShellExecuteW(static_cast<HWND>(owner), L"open", notepad.c_str(),
                                                 argument.c_str(), nullptr, SW_SHOWNORMAL);
        return reinterpret_cast<INT_PTR>(result) > 32;
    }

    bool copyText(WindowHandle owner, const std::wstring& text) override {
        const OpenClipboardScope clipboard(static_cast<HWND>(owner));
        if (!clipboard.open()) {
            return false;
        }
        const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
        GlobalMemory memory(bytes);
        if (memory.get() == nullptr) {
            return false;
        }
        void* target = ::GlobalLock(memory.get());
        if (target == nullptr) {
            return false;
        }
        std::memcpy(target, text.c_str(), bytes);
        ::GlobalUnlock(memory.get());
        if (!::EmptyClipboard() || ::SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) {
            return false;
        }
        memory.handOver();
        return true;
    }

    void setCursor(CursorShape shape) override {
        ::SetCursor(::LoadCursorW(nullptr, shape == CursorShape::hand ? IDC_HAND : IDC_ARROW));
    }

    std::wstring keyName(std::uint8_t virtualKey) override {
        const UINT scan = ::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC_EX);
        if ((scan & 0xFF) == 0) {
            return keyCodeLabel(virtualKey);
        }
        // The extended keys carry the extended bit, or the system names the number pad's key
        // of the same scan code in their place ("NUM 8" for UP).
        LONG keyData = static_cast<LONG>((scan & 0xFF) << 16);
        if ((scan & 0xFF00) == 0xE000 || isExtendedKey(virtualKey)) {
            keyData |= 1L << 24;
        }
        wchar_t name[64]{};
        ::GetKeyNameTextW(keyData, name, static_cast<int>(std::size(name)));
        std::wstring text(name);
        if (text.empty()) {
            return keyCodeLabel(virtualKey);
        }
        for (wchar_t& c : text) {
            c = static_cast<wchar_t>(std::towupper(c));
        }
        return text;
    }
};

} // namespace

std::unique_ptr<Desktop> createDesktop() {
    return std::make_unique<Win32Desktop>();
}

} // namespace platform
