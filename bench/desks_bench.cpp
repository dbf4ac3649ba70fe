// Many desks at once: N processes, each its own session and program folder, run the update
// over the same catalogue concurrently; every folder must end byte-identical to the
// published one.
//   desks_bench N WORKDIR PUBLISHED_FOLDER
#include "bench/BenchSupport.h"
#include "tests/support/NativeRun.h"
#include "util/PathText.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace zem;
using namespace zem::test;
namespace fs = std::filesystem;

static bool SameTree(const fs::path& a, const fs::path& b) {
    for (const auto& e : fs::recursive_directory_iterator(a)) {
        if (!e.is_regular_file())
            continue;
        fs::path other = b / fs::relative(e.path(), a);
        std::ifstream x(e.path(), std::ios::binary), y(other, std::ios::binary);
        if (!y ||
            !std::equal(std::istreambuf_iterator<char>(x), {}, std::istreambuf_iterator<char>(y)))
            return false;
    }
    return true;
}

static int Desk(const fs::path& root, const fs::path& published) {
    fs::create_directories(root);
    NativeRun run(root);
    run.Run({L"/UPDATE_ONLY"}, [] { return CreateOdbcSession(); });
    const RecordingBoxes& boxes = run.boxes;
    for (const auto& b : boxes.boxes)
        std::fprintf(stderr, "desk %s: %s\n", root.c_str(), ToUtf8(b.text).c_str());
    return boxes.boxes.empty() && SameTree(published, root / "ZEM_JPX_EXE") ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc != 4)
        return 2;
    int n = std::atoi(argv[1]);
    fs::path work = argv[2], published = argv[3];
    fs::remove_all(work);
    std::uintmax_t bytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(published))
        if (e.is_regular_file())
            bytes += e.file_size();
    auto start = std::chrono::steady_clock::now();
    std::vector<pid_t> children;
    for (int i = 0; i < n; ++i) {
        pid_t pid = fork();
        if (pid == 0)
            _exit(Desk(work / ("desk" + std::to_string(i)), published));
        children.push_back(pid);
    }
    int failed = 0;
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        failed += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    double seconds = bench::Seconds(start);
    std::printf("%3d desks: %6.2f s wall, %7.1f MB/s aggregate, %d failed\n", n, seconds,
                n * static_cast<double>(bytes) / 1e6 / seconds, failed);
    fs::remove_all(work);
    return failed ? 1 : 0;
}
