#pragma once
// The start program's whole run natively, on real files below a folder, against a real
// database session; doubles for the registry, other windows, processes, trace, clock and
// the window. For the integration tests and the benchmarks.
#include "app/StartWindow.h"
#include "platform/posix/PosixFileSystem.h"
#include "tests/support/Doubles.h"
#include "util/PathText.h"

#include <algorithm>
#include <filesystem>

namespace zem::test {

struct NativeRun {
    explicit NativeRun(std::filesystem::path folder) : root(std::move(folder)) {}

    // root/ZEM_Start.exe in the Windows form: the run removes '/' from paths.
    std::wstring ProgramPath() const {
        std::wstring p = FromUtf8(root.string()) + L"\\ZEM_Start.exe";
        std::replace(p.begin(), p.end(), L'/', L'\\');
        return p;
    }
    // Runs the program with the arguments; the view's hooks stay as they were set.
    void Run(std::vector<std::wstring> args, SessionFactory createSession) {
        args.insert(args.begin(), ProgramPath());
        CommandLine commandLine(args);
        boxes = RecordingBoxes{};
        debug = RecordingDebug{};
        TfrmMainUpdate window(commandLine, platform, view, boxes, std::move(createSession));
        RunStartWindow(window, view);
    }

    std::filesystem::path root;
    PosixFileSystem files;
    FakeRegistry registry;
    FakeWindows windows;
    FakeProcessStarter processes;
    RecordingDebug debug;
    FakeClock clock;
    PosixProcessLocks locks;
    Platform platform{files, registry, windows, processes, debug, clock, locks};
    FakeView view;
    RecordingBoxes boxes;
};

} // namespace zem::test
