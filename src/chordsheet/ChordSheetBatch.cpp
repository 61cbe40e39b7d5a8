#include "chordsheet/ChordSheetBatch.h"

#include <poll.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>

namespace {

namespace fs = std::filesystem;

bool IsMidiFile(const fs::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".mid" || extension == ".midi" || extension == ".kar" ||
           extension == ".rmi";
}

// The bar on standard error: "[=======>      ] 1234/3000 files, 2 failed", redrawn at most ten
// times a second and wiped before other lines are written.
class ProgressBar {
  public:
    ProgressBar(std::ostream& stream, bool shown, std::size_t total)
        : err(stream), enabled(shown), files(total) {}

    void Wipe() {
        if (enabled && drawn) err << "\r\033[K" << std::flush;
        drawn = false;
    }
    void Show(std::size_t done, std::size_t failed, bool force = false) {
        if (!enabled) return;
        const auto now = std::chrono::steady_clock::now();
        if (!force && drawn && now - last < std::chrono::milliseconds(100)) return;
        last = now;
        constexpr std::size_t kWidth = 30;
        const std::size_t filled = files == 0 ? kWidth : done * kWidth / files;
        std::string bar(filled, '=');
        if (filled < kWidth) bar += '>';
        bar.resize(kWidth, ' ');
        err << "\r[" << bar << "] " << done << '/' << files << " files";
        if (failed > 0) err << ", " << failed << " failed";
        err << std::flush;
        drawn = true;
    }
    void Finish(std::size_t done, std::size_t failed) {
        if (!enabled) return;
        Show(done, failed, true);
        err << '\n' << std::flush;
        drawn = false;
    }

  private:
    std::ostream& err;
    bool enabled;
    std::size_t files;
    bool drawn = false;
    std::chrono::steady_clock::time_point last{};
};

// The results in file order: each is written once every file before it has been.
class InOrder {
  public:
    InOrder(std::size_t count, std::ostream& output, std::ostream& errors, ProgressBar& bar)
        : results(count), out(output), err(errors), progress(bar) {}

    void Put(std::size_t index, FileResult result) {
        if (index >= results.size() || results[index]) return;
        results[index] = std::move(result);
        ++finished;
        while (next < results.size() && results[next]) {
            FileResult& r = *results[next];
            if (!r.ok) ++summary.failed;
            if (!r.error.empty()) {
                progress.Wipe();
                err << r.error << std::flush;
            }
            out << r.output;
            r = FileResult{};  // written: keep no copy of long sheets
            ++next;
        }
        out.flush();
        progress.Show(finished, summary.failed);
    }
    BatchSummary Summary() const {
        BatchSummary s = summary;
        s.files = results.size();
        return s;
    }
    std::size_t Finished() const { return finished; }
    bool Has(std::size_t index) const { return index < next || results[index].has_value(); }

  private:
    std::vector<std::optional<FileResult>> results;
    std::ostream& out;
    std::ostream& err;
    ProgressBar& progress;
    std::size_t next = 0;
    std::size_t finished = 0;
    BatchSummary summary;
};

FileResult Guarded(const FileJob& job, const std::string& path) {
    try {
        return job(path);
    } catch (const std::exception& e) {
        return {false, {}, path + ": " + e.what() + "\n"};
    }
}

// Worker messages: kind, file index, output length, error length, then the texts.
enum : uint8_t { kStarted = 'S', kSucceeded = 'D', kFailed = 'F' };
constexpr std::size_t kHeaderBytes = 13;

void WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) _exit(3);  // the parent is gone
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void PutWord(std::string& frame, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        frame += static_cast<char>((v >> shift) & 0xFF);
}

uint32_t WordAt(const std::string& buffer, std::size_t at) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(buffer[at + k])) << (8 * k);
    return v;
}

void Send(int fd, uint8_t kind, uint32_t index, const FileResult& r) {
    std::string frame(1, static_cast<char>(kind));
    PutWord(frame, index);
    PutWord(frame, static_cast<uint32_t>(r.output.size()));
    PutWord(frame, static_cast<uint32_t>(r.error.size()));
    frame += r.output;
    frame += r.error;
    WriteAll(fd, frame.data(), frame.size());
}

struct Worker {
    pid_t pid = -1;
    int fd = -1;
    std::string buffer;
    std::optional<uint32_t> current;  // the file it has started and not finished
};

class WorkerPool {
  public:
    WorkerPool(const std::vector<std::string>& files, const FileJob& job, std::ostream& out,
               std::ostream& err)
        : paths(files), work(job), output(out), errors(err) {
        void* shared = ::mmap(nullptr, sizeof(std::atomic<uint32_t>), PROT_READ | PROT_WRITE,
                              MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (shared != MAP_FAILED) taken = new (shared) std::atomic<uint32_t>(0);
    }
    ~WorkerPool() {
        for (Worker& w : workers)
            Close(w);
        if (taken) ::munmap(taken, sizeof(std::atomic<uint32_t>));
    }
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    bool Ready() const { return taken != nullptr; }

    bool Spawn() {
        int fds[2];
        if (::pipe(fds) != 0) return false;
        output.flush();  // nothing buffered may be written twice
        errors.flush();
        const pid_t pid = ::fork();
        if (pid < 0) {
            ::close(fds[0]);
            ::close(fds[1]);
            return false;
        }
        if (pid == 0) {
            ::close(fds[0]);
            for (;;) {
                const uint32_t index = taken->fetch_add(1);
                if (index >= paths.size()) break;
                Send(fds[1], kStarted, index, {});
                const FileResult r = Guarded(work, paths[index]);
                Send(fds[1], r.ok ? kSucceeded : kFailed, index, r);
            }
            _exit(0);
        }
        ::close(fds[1]);
        Worker w;
        w.pid = pid;
        w.fd = fds[0];
        workers.push_back(std::move(w));
        return true;
    }

    // Delivers what the workers report until all of them have ended.
    void Run(InOrder& results) {
        while (!workers.empty()) {
            std::vector<pollfd> polls;
            for (const Worker& w : workers)
                polls.push_back({w.fd, POLLIN, 0});
            if (::poll(polls.data(), polls.size(), -1) < 0 && errno != EINTR) return;
            for (std::size_t k = 0; k < polls.size(); ++k) {
                if (polls[k].revents == 0) continue;
                Worker& w = workers[k];
                char chunk[65536];
                const ssize_t n = ::read(w.fd, chunk, sizeof chunk);
                if (n < 0 && errno == EINTR) continue;
                if (n > 0) {
                    w.buffer.append(chunk, static_cast<std::size_t>(n));
                    Deliver(w, results);
                    continue;
                }
                Ended(w, results);
            }
            workers.erase(std::remove_if(workers.begin(), workers.end(),
                                         [](const Worker& w) { return w.fd < 0; }),
                          workers.end());
        }
    }

  private:
    void Deliver(Worker& w, InOrder& results) {
        for (;;) {
            if (w.buffer.size() < kHeaderBytes) return;
            const uint32_t index = WordAt(w.buffer, 1);
            const uint32_t outSize = WordAt(w.buffer, 5);
            const uint32_t errSize = WordAt(w.buffer, 9);
            const std::size_t total = kHeaderBytes + std::size_t{outSize} + errSize;
            if (w.buffer.size() < total) return;
            const auto kind = static_cast<uint8_t>(w.buffer[0]);
            if (kind == kStarted) {
                w.current = index;
            } else {
                FileResult r;
                r.ok = kind == kSucceeded;
                r.output = w.buffer.substr(kHeaderBytes, outSize);
                r.error = w.buffer.substr(kHeaderBytes + outSize, errSize);
                w.current.reset();
                results.Put(index, std::move(r));
            }
            w.buffer.erase(0, total);
        }
    }

    // A worker closed its pipe: it is done, or it died on the file it was working on.
    void Ended(Worker& w, InOrder& results) {
        int status = 0;
        while (::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
        }
        const pid_t pid = w.pid;
        ::close(w.fd);
        w.fd = -1;
        w.pid = -1;
        if (!w.current) return;
        std::string why = "the analysis stopped";
        if (WIFSIGNALED(status)) why += std::string(" (") + ::strsignal(WTERMSIG(status)) + ")";
        results.Put(*w.current,
                    {false,
                     {},
                     paths[*w.current] + ": " + why + " in worker " + std::to_string(pid) + "\n"});
        // The others may be done already: a replacement takes the files that are left.
        if (taken->load() < paths.size()) Spawn();
    }

    void Close(Worker& w) {
        if (w.fd >= 0) ::close(w.fd);
        if (w.pid > 0) {
            ::kill(w.pid, SIGKILL);
            int status = 0;
            ::waitpid(w.pid, &status, 0);
        }
        w.fd = -1;
        w.pid = -1;
    }

    const std::vector<std::string>& paths;
    const FileJob& work;
    std::ostream& output;
    std::ostream& errors;
    std::atomic<uint32_t>* taken = nullptr;
    std::vector<Worker> workers;
};

}  // namespace

std::vector<std::string> ExpandInputs(const std::vector<std::string>& inputs,
                                      std::vector<std::string>& problems) {
    std::vector<std::string> files;
    for (const std::string& input : inputs) {
        std::error_code error;
        if (fs::is_directory(input, error)) {
            std::vector<std::string> found;
            fs::recursive_directory_iterator it(
                input, fs::directory_options::skip_permission_denied, error);
            for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
                if (it->is_regular_file(error) && IsMidiFile(it->path()))
                    found.push_back(it->path().string());
            }
            if (error) problems.push_back(input + ": " + error.message());
            std::sort(found.begin(), found.end());
            files.insert(files.end(), found.begin(), found.end());
        } else if (fs::exists(input, error)) {
            files.push_back(input);
        } else {
            problems.push_back(input + ": no such file or folder");
        }
    }
    return files;
}

BatchSummary RunBatch(const std::vector<std::string>& files, int jobs, const FileJob& job,
                      std::ostream& out, std::ostream& err, bool progress) {
    ProgressBar bar(err, progress, files.size());
    InOrder results(files.size(), out, err, bar);
    const std::size_t workers =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)), files.size());
    if (workers > 1) {
        WorkerPool pool(files, job, out, err);
        std::size_t started = 0;
        while (pool.Ready() && started < workers && pool.Spawn())
            ++started;
        if (started > 0) {
            pool.Run(results);
        }
    }
    // One job, or no worker could be made: the files left run here.
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!results.Has(i)) results.Put(i, Guarded(job, files[i]));
    bar.Finish(results.Finished(), results.Summary().failed);
    return results.Summary();
}

int AvailableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}
