// kadenzo-convert: the conversion engine on the command line, for batches and for any OS.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "cli/convert_file.h"
#include "cli/platform.h"
#include "cli/song_info.h"

namespace {

constexpr int kAllConverted = 0;
constexpr int kUsageError = 1;
constexpr int kSomeFailed = 2;

// Converts the inputs over `jobs` threads; each file's report becomes ready on its own.
class Batch {
public:
    explicit Batch(const CliOptions& options)
        : options_(options), reports_(options.inputs.size()), ready_(options.inputs.size(), false) {}

    void Start(unsigned jobs) {
        for (unsigned i = 0; i < jobs; ++i) workers_.emplace_back([this] { Work(); });
    }

    const FileReport& WaitFor(std::size_t index) {
        std::unique_lock lock(mutex_);
        readyChanged_.wait(lock, [&] { return ready_[index]; });
        return reports_[index];
    }

    ~Batch() {
        for (std::thread& worker : workers_) worker.join();
    }

private:
    void Work() {
        for (std::size_t index = next_++; index < options_.inputs.size(); index = next_++) {
            const std::string& input = options_.inputs[index];
            const std::string output = options_.outputPath.empty() ? TransOutputPath(input) : options_.outputPath;
            FileReport report = ConvertFile(input, output, options_);
            std::lock_guard lock(mutex_);
            reports_[index] = std::move(report);
            ready_[index] = true;
            readyChanged_.notify_all();
        }
    }

    const CliOptions& options_;
    std::vector<FileReport> reports_;
    std::vector<bool> ready_;
    std::atomic<std::size_t> next_{0};
    std::mutex mutex_;
    std::condition_variable readyChanged_;
    std::vector<std::thread> workers_;
};

void PrintReport(const std::string& input, const FileReport& report, bool quiet) {
    std::string block;
    for (const PrintedLine& line : report.lines) {
        if (quiet && !line.failure) continue;
        block += PathForPrinting(input) + ": " + line.text + "\n";
    }
    if (!block.empty()) PrintUtf8(block);
}

// --info: every song's summary in input order, a table each or one JSON array.
int PrintSongInfo(const CliOptions& options) {
    bool anyFailed = false;
    std::string json = "[\n";
    for (std::size_t index = 0; index < options.inputs.size(); ++index) {
        const SongInfo info = DescribeSong(options.inputs[index]);
        anyFailed = anyFailed || info.failed;
        if (options.json) {
            json += "  " + info.json + (index + 1 < options.inputs.size() ? ",\n" : "\n");
        } else {
            PrintUtf8((index == 0 ? "" : "\n") + info.table);
        }
    }
    if (options.json) PrintUtf8(json + "]\n");
    return anyFailed ? kSomeFailed : kAllConverted;
}

unsigned JobCount(const CliOptions& options) {
    const unsigned wanted = options.jobs != 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>(wanted, options.inputs.size()));
}

}  // namespace

int main(int argc, char** argv) {
    CliOptions options;
    const std::string refusal = ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options);
    if (!refusal.empty()) {
        PrintUtf8("kadenzo-convert: " + refusal + "\n", true);
        return kUsageError;
    }
    if (options.help) {
        PrintUtf8(kUsageText);
        return kAllConverted;
    }
    if (options.version) {
        PrintUtf8("kadenzo-convert " KADENZO_VERSION "\n");
        return kAllConverted;
    }
    if (options.info) return PrintSongInfo(options);
    bool allConverted = true;
    Batch batch(options);
    batch.Start(JobCount(options));
    for (std::size_t index = 0; index < options.inputs.size(); ++index) {
        const FileReport& report = batch.WaitFor(index);
        PrintReport(options.inputs[index], report, options.quiet);
        allConverted = allConverted && report.converted;
    }
    return allConverted ? kAllConverted : kSomeFailed;
}
