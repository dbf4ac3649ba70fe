// Catalogue benchmark: an update run over a catalogue whose files are all current, against
// the in-memory doubles, so that the figure is the run's own decision cost per entry.
#include "tests/support/World.h"

#include <chrono>
#include <cstdio>

using namespace zem;
using namespace zem::test;

static double RunOnce(int folders, int filesPerFolder) {
    World w;
    w.files.AddFolder(World::DefaultFolder);
    const TDateTime stamp = EncodeDateTime(2026, 5, 6, 7, 8, 9, 123);
    std::int64_t id = 0;
    for (int f = 0; f < folders; ++f) {
        std::wstring folder = L"modul" + std::to_wstring(f) + L"\\";
        w.db.entries.push_back(FakeDatabase::Entry{++id, folder, 0x10, 0, 0, {}});
        for (int i = 0; i < filesPerFolder; ++i) {
            std::wstring name = folder + L"datei" + std::to_wstring(i) + L".dll";
            w.db.entries.push_back(FakeDatabase::Entry{++id, name, 0x20, 0, stamp, {}});
            w.files.AddFile(w.Folder(name), {}, stamp);
        }
    }
    auto start = std::chrono::steady_clock::now();
    w.Run({L"/UPDATE_ONLY"});
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!w.view.alerts.empty() || !w.boxes.boxes.empty()) {
        std::fprintf(stderr, "something was fetched or reported\n");
        std::exit(1);
    }
    return seconds;
}

int main() {
    for (auto [folders, files] : {std::pair{100, 9}, std::pair{1000, 9}}) {
        int entries = folders * (files + 1);
        double best = 1e9;
        for (int round = 0; round < 3; ++round)
            best = std::min(best, RunOnce(folders, files));
        std::printf("%6d entries (%d folders, %d files), all current: %.1f ms, %.2f us per entry\n",
                    entries, folders, folders * files, best * 1e3, best * 1e6 / entries);
    }
}
