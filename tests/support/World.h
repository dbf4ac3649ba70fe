#pragma once
// The whole program against doubles: the start window's logic wired to fake platform,
// window, message boxes and database.
#include "app/StartWindow.h"
#include "tests/support/Doubles.h"

namespace zem::test {

struct World {
    static constexpr const wchar_t* ProgramPath = L"C:\\Apps\\ZEM_Start.exe";
    static constexpr const wchar_t* DefaultFolder = L"C:\\Apps\\ZEM_JPX_EXE";

    FakeFileSystem files;
    FakeRegistry registry;
    FakeWindows windows;
    FakeProcessStarter processes;
    RecordingDebug debug;
    FakeClock clock;
    FakeProcessLocks locks;
    FakeView view;
    RecordingBoxes boxes;
    FakeDatabase db;
    Platform platform{files, registry, windows, processes, debug, clock, locks};
    std::unique_ptr<CommandLine> commandLine;
    std::unique_ptr<TfrmMainUpdate> window;

    World() { files.AddFolder(L"C:\\Apps"); }

    // The program entry up to the message loop: creation, FormCreate, shown.
    void Start(std::vector<std::wstring> args = {}) {
        args.insert(args.begin(), ProgramPath);
        commandLine = std::make_unique<CommandLine>(args);
        window = std::make_unique<TfrmMainUpdate>(*commandLine, platform, view, boxes, [this] {
            return std::make_unique<FakeSession>(db);
        });
        view.dispatch = [this](unsigned m) { window->Dispatch(m); };
        view.keyPress = [this](wchar_t k) { window->FormKeyPress(k); };
        window->Create();
        window->FormShow();
    }
    void Run(std::vector<std::wstring> args = {}) {
        Start(std::move(args));
        view.RunLoop();
    }
    std::wstring Folder(const std::wstring& name) const {
        return std::wstring(DefaultFolder) + L"\\" + name;
    }
};

} // namespace zem::test
