#include "chordsheet/ChordSheetBatch.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <thread>

namespace {

namespace fs = std::filesystem;

bool IsMidiFile(std::string_view name) {
    // The extension as a path has it: from the last dot, unless the name only starts with one.
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return false;
    std::string extension(name.substr(dot));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".mid" || extension == ".midi" || extension == ".kar" ||
           extension == ".rmi";
}

// Adds the MIDI files in the folder open as `folder` (named `path`) and in the folders below it
// to `found`. Each entry's type comes with the listing, so a folder of thousands of songs costs a
// few system calls, not one per file. Links to files count as the files; links to folders are
// not followed (no loops); folders that may not be read are left out, other failures reported.
void FindMidiFiles(int folder, const std::string& path, std::vector<std::string>& found,
                   std::vector<std::string>& problems) {
    DIR* listing = ::fdopendir(folder);
    if (listing == nullptr) {
        ::close(folder);
        return;
    }
    const std::string prefix = path.empty() || path.back() == '/' ? path : path + '/';
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat info {};
            if (::fstatat(::dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISDIR(info.st_mode)   ? DT_DIR
                   : S_ISLNK(info.st_mode) ? DT_LNK
                   : S_ISREG(info.st_mode) ? DT_REG
                                           : DT_UNKNOWN;  // a device, pipe or socket: left out
        }
        if (type == DT_DIR) {
            const int below = ::openat(::dirfd(listing), entry->d_name,
                                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (below >= 0) {
                FindMidiFiles(below, prefix + entry->d_name, found, problems);
            } else if (errno != EACCES && errno != EPERM) {
                problems.push_back(prefix + entry->d_name + ": " + std::strerror(errno));
            }
            continue;
        }
        if (!IsMidiFile(name)) continue;
        if (type == DT_LNK) {
            struct stat info {};
            if (::fstatat(::dirfd(listing), entry->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode))
                continue;
        } else if (type != DT_REG) {
            continue;
        }
        found.push_back(prefix + entry->d_name);
    }
    ::closedir(listing);
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

// The results in file order: each is written once every file before it has been. A result that
// comes in its turn is written straight from where it was received; one that comes early is kept
// until then.
class InOrder {
  public:
    InOrder(std::size_t count, std::ostream& output, std::ostream& errors, ProgressBar& bar)
        : waiting(count), out(output), err(errors), progress(bar) {}

    void Put(std::size_t index, bool ok, std::string_view output, std::string_view error) {
        if (Has(index)) return;
        ++finished;
        if (index != next) {
            waiting[index] = FileResult{ok, std::string(output), std::string(error)};
            return;
        }
        Write(ok, output, error);
        while (next < waiting.size() && waiting[next]) {
            FileResult& r = *waiting[next];
            Write(r.ok, r.output, r.error);
            r = FileResult{};  // written: keep no copy of long sheets
        }
    }
    void Put(std::size_t index, const FileResult& r) {
        Put(index, r.ok, r.output, r.error);
        Flush();
    }
    // Sends what was written on, and redraws the bar: once for all results that came together.
    void Flush() {
        out.flush();
        progress.Show(finished, summary.failed);
    }
    BatchSummary Summary() const {
        BatchSummary s = summary;
        s.files = waiting.size();
        return s;
    }
    std::size_t Finished() const { return finished; }
    bool Has(std::size_t index) const {
        return index >= waiting.size() || index < next || waiting[index].has_value();
    }

  private:
    void Write(bool ok, std::string_view output, std::string_view error) {
        if (!ok) ++summary.failed;
        if (!error.empty()) {
            progress.Wipe();
            err.write(error.data(), static_cast<std::streamsize>(error.size()));
            err.flush();
        }
        out.write(output.data(), static_cast<std::streamsize>(output.size()));
        ++next;
    }

    std::vector<std::optional<FileResult>> waiting;
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

// A worker sends one message per file: kind, file index, output length, error length (each word
// little-endian), then the two texts.
enum : uint8_t { kSucceeded = 'D', kFailed = 'F' };
constexpr std::size_t kHeaderBytes = 13;
constexpr uint32_t kNoFile = UINT32_MAX;
using Clock = std::chrono::steady_clock;

void PutWord(char* at, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        at[k] = static_cast<char>((v >> (8 * k)) & 0xFF);
}

uint32_t WordAt(const char* at) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(at[k])) << (8 * k);
    return v;
}

// A worker's finished results, sent together: one system call, and one wake-up of the parent,
// for several small sheets. They go when they fill most of a pipe, when there are many, or when
// the first of them was started a while ago, so that a long file's sheet goes at once and the
// progress bar keeps moving.
class Outbox {
  public:
    explicit Outbox(int pipe) : fd(pipe) {}

    void Add(uint32_t index, FileResult r, Clock::time_point started) {
        if (results.empty()) oldest = started;
        bytes += kHeaderBytes + r.output.size() + r.error.size();
        results.push_back({index, std::move(r)});
        if (bytes >= kBatchBytes || results.size() >= kBatchFiles ||
            Clock::now() - oldest >= kBatchAge)
            Send();
    }

    // Headers and texts in system calls of their own, without copying the texts into frames.
    void Send() {
        std::vector<std::array<char, kHeaderBytes>> headers(results.size());
        std::vector<iovec> parts;
        parts.reserve(results.size() * 3);
        for (std::size_t k = 0; k < results.size(); ++k) {
            const FileResult& r = results[k].second;
            char* header = headers[k].data();
            header[0] = static_cast<char>(r.ok ? kSucceeded : kFailed);
            PutWord(header + 1, results[k].first);
            PutWord(header + 5, static_cast<uint32_t>(r.output.size()));
            PutWord(header + 9, static_cast<uint32_t>(r.error.size()));
            parts.push_back({header, kHeaderBytes});
            parts.push_back({const_cast<char*>(r.output.data()), r.output.size()});
            parts.push_back({const_cast<char*>(r.error.data()), r.error.size()});
        }
        iovec* part = parts.data();
        std::size_t count = parts.size();
        while (count > 0) {
            const ssize_t n = ::writev(fd, part, static_cast<int>(count));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) _exit(3);  // the parent is gone
            auto left = static_cast<std::size_t>(n);
            while (count > 0 && left >= part->iov_len) {
                left -= part->iov_len;
                ++part;
                --count;
            }
            if (count > 0) {
                part->iov_base = static_cast<char*>(part->iov_base) + left;
                part->iov_len -= left;
            }
        }
        results.clear();
        bytes = 0;
    }

  private:
    static constexpr std::size_t kBatchBytes = 48 * 1024;  // a pipe holds 64 KiB
    static constexpr std::size_t kBatchFiles = 64;         // 3 parts each, within IOV_MAX
    static constexpr auto kBatchAge = std::chrono::milliseconds(50);

    int fd;
    std::vector<std::pair<uint32_t, FileResult>> results;
    std::size_t bytes = 0;
    Clock::time_point oldest{};
};

// What the workers share with the parent, in memory mapped before they are forked: the next file
// to take, and for each worker the file it has taken last, so that a worker that dies fails that
// file and no other.
class SharedCounters {
  public:
    explicit SharedCounters(std::size_t workers) : bytes((workers + 1) * sizeof(Word)) {
        void* memory =
            ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) return;
        words = static_cast<Word*>(memory);
        new (&words[0]) Word(0);
        for (std::size_t k = 1; k <= workers; ++k)
            new (&words[k]) Word(kNoFile);
    }
    ~SharedCounters() {
        if (words) ::munmap(words, bytes);
    }
    SharedCounters(const SharedCounters&) = delete;
    SharedCounters& operator=(const SharedCounters&) = delete;

    bool Ready() const { return words != nullptr; }
    uint32_t Take() { return words[0].fetch_add(1, std::memory_order_relaxed); }
    uint32_t Taken() const { return words[0].load(std::memory_order_relaxed); }
    std::atomic<uint32_t>& LastTakenBy(std::size_t worker) { return words[worker + 1]; }

  private:
    using Word = std::atomic<uint32_t>;
    std::size_t bytes;
    Word* words = nullptr;
};

// Bytes received from a worker and not yet delivered: [begin, end) of `data`.
struct Received {
    std::vector<char> data;
    std::size_t begin = 0;
    std::size_t end = 0;

    // Room for at least `size` more bytes at the end, moving what is left to the front.
    char* Room(std::size_t size) {
        if (data.size() - end < size && begin > 0) {
            std::memmove(data.data(), data.data() + begin, end - begin);
            end -= begin;
            begin = 0;
        }
        if (data.size() - end < size) data.resize(end + size);
        return data.data() + end;
    }
};

struct Worker {
    pid_t pid = -1;
    int fd = -1;
    std::size_t slot = 0;
    Received received;
};

class WorkerPool {
  public:
    WorkerPool(const std::vector<std::string>& files, std::size_t workers, const FileJob& job,
               std::ostream& out, std::ostream& err)
        : paths(files), shared(workers), work(job), output(out), errors(err) {}
    ~WorkerPool() {
        for (Worker& w : workers)
            Close(w);
    }
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    bool Ready() const { return shared.Ready(); }

    bool Spawn(std::size_t slot) {
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
            std::atomic<uint32_t>& last = shared.LastTakenBy(slot);
            Outbox outbox(fds[1]);
            for (;;) {
                const uint32_t index = shared.Take();
                if (index >= paths.size()) break;
                last.store(index, std::memory_order_relaxed);
                const Clock::time_point started = Clock::now();
                outbox.Add(index, Guarded(work, paths[index]), started);
            }
            outbox.Send();
            _exit(0);
        }
        ::close(fds[1]);
        Worker w;
        w.pid = pid;
        w.fd = fds[0];
        w.slot = slot;
        workers.push_back(std::move(w));
        return true;
    }

    // Delivers what the workers report until all of them have ended.
    void Run(InOrder& results) {
        std::vector<pollfd> polls;
        while (!workers.empty()) {
            polls.clear();
            for (const Worker& w : workers)
                polls.push_back({w.fd, POLLIN, 0});
            if (::poll(polls.data(), polls.size(), -1) < 0 && errno != EINTR) return;
            const std::size_t polled = polls.size();  // a replacement is not among them
            for (std::size_t k = 0; k < polled; ++k) {
                if (polls[k].revents == 0) continue;
                Worker& w = workers[k];
                constexpr std::size_t kReadBytes = 64 * 1024;
                char* room = w.received.Room(kReadBytes);
                const ssize_t n = ::read(w.fd, room, kReadBytes);
                if (n < 0 && errno == EINTR) continue;
                if (n > 0) {
                    w.received.end += static_cast<std::size_t>(n);
                    Deliver(w.received, results);
                    continue;
                }
                Ended(k, results);
            }
            results.Flush();
            workers.erase(std::remove_if(workers.begin(), workers.end(),
                                         [](const Worker& w) { return w.fd < 0; }),
                          workers.end());
        }
    }

  private:
    void Deliver(Received& in, InOrder& results) {
        while (in.end - in.begin >= kHeaderBytes) {
            const char* frame = in.data.data() + in.begin;
            const uint32_t outSize = WordAt(frame + 5);
            const uint32_t errSize = WordAt(frame + 9);
            const std::size_t total = kHeaderBytes + std::size_t{outSize} + errSize;
            if (in.end - in.begin < total) {
                in.Room(total - (in.end - in.begin));  // a long sheet: room for all of it
                break;
            }
            results.Put(WordAt(frame + 1), static_cast<uint8_t>(frame[0]) == kSucceeded,
                        {frame + kHeaderBytes, outSize}, {frame + kHeaderBytes + outSize, errSize});
            in.begin += total;
        }
        if (in.begin == in.end) in.begin = in.end = 0;
    }

    // A worker closed its pipe: it is done, or it died on the file it took last. The sheets it had
    // made and not yet sent are lost with it; those files are made again at the end.
    void Ended(std::size_t k, InOrder& results) {
        const pid_t pid = workers[k].pid;
        const std::size_t slot = workers[k].slot;
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        ::close(workers[k].fd);
        workers[k].fd = -1;
        workers[k].pid = -1;
        const uint32_t last = shared.LastTakenBy(slot).load(std::memory_order_relaxed);
        if (last == kNoFile || results.Has(last)) return;
        std::string why = "the analysis stopped";
        if (WIFSIGNALED(status)) why += std::string(" (") + ::strsignal(WTERMSIG(status)) + ")";
        results.Put(last, false, {},
                    paths[last] + ": " + why + " in worker " + std::to_string(pid) + "\n");
        // The others may be done already: a replacement takes the files that are left.
        if (shared.Taken() < paths.size()) Spawn(slot);
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
    SharedCounters shared;
    const FileJob& work;
    std::ostream& output;
    std::ostream& errors;
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
            const int folder = ::open(input.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (folder >= 0)
                FindMidiFiles(folder, input, found, problems);
            else
                problems.push_back(input + ": " + std::strerror(errno));
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
        WorkerPool pool(files, workers, job, out, err);
        std::size_t started = 0;
        while (pool.Ready() && started < workers && pool.Spawn(started))
            ++started;
        if (started > 0) {
            pool.Run(results);
        }
    }
    // One job, no worker could be made, or a worker died before it sent what it had done: the
    // files left run here.
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
