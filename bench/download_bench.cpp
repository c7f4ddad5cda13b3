// The download queue against command-line downloaders, over a loopback server of its own.
//
//   download_bench serve DIR DELAY_MS    serves the plain files of DIR on 127.0.0.1, each
//                                        answer DELAY_MS late; prints "port=N" and runs until
//                                        killed
//   download_bench get [--transfers N] [--per-host N] OUTDIR (URL | @LIST)...
//                                        downloads with CDownloadQueue into OUTDIR; prints
//                                        seconds=, bytes= and failed=
#include "downloadqueue.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A file mapped for as long as an answer sends it.
struct Mapped
{
    explicit Mapped(const std::string& path)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st;
        if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            if (fd >= 0)
                ::close(fd);
            return;
        }
        size = static_cast<std::size_t>(st.st_size);
        if (size > 0) {
            void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
            data = p == MAP_FAILED ? nullptr : static_cast<const char*>(p);
        }
        ::close(fd);
        ok = size == 0 || data != nullptr;
    }
    ~Mapped()
    {
        if (data)
            ::munmap(const_cast<char*>(data), size);
    }
    Mapped(const Mapped&) = delete;
    Mapped& operator=(const Mapped&) = delete;

    const char* data = nullptr;
    std::size_t size = 0;
    bool ok = false;
};

int serve(const std::string& dir, int delayMs)
{
    httplib::Server server;
    server.set_tcp_nodelay(true);
    server.Get(R"(/([A-Za-z0-9._-]+))", [&](const httplib::Request& req, httplib::Response& res) {
        if (delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        auto file = std::make_shared<Mapped>(dir + "/" + req.matches[1].str());
        if (!file->ok) {
            res.status = 404;
            return;
        }
        res.set_content_provider(file->size, "application/octet-stream",
                                 [file](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                     return sink.write(file->data + offset, std::min<std::size_t>(length, 1 << 20));
                                 });
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0)
        return 1;
    std::printf("port=%d\n", port);
    std::fflush(stdout);
    return server.listen_after_bind() ? 0 : 1;
}

int get(int argc, char** argv)
{
    CDownloadQueue::Options options;
    int at = 2;
    for (; at + 1 < argc && std::string(argv[at]).rfind("--", 0) == 0; at += 2) {
        const std::string flag = argv[at];
        if (flag == "--transfers")
            options.maxTransfers = std::stoi(argv[at + 1]);
        else if (flag == "--per-host")
            options.maxPerHost = std::stoi(argv[at + 1]);
        else
            return 2;
    }
    if (at >= argc)
        return 2;
    const std::string outDir = argv[at++];
    std::vector<std::string> urls;
    for (; at < argc; ++at) {
        const std::string arg = argv[at];
        if (arg.rfind('@', 0) == 0) {
            std::ifstream list(arg.substr(1));
            for (std::string line; std::getline(list, line);)
                if (!line.empty())
                    urls.push_back(line);
        } else {
            urls.push_back(arg);
        }
    }
    CDownloadQueue queue(options);
    for (std::size_t i = 0; i < urls.size(); ++i)
        queue.Add(urls[i], outDir + "/f" + std::to_string(i));
    std::atomic<bool> abort{false};
    const auto start = std::chrono::steady_clock::now();
    queue.Run({}, {}, abort);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::uint64_t bytes = 0;
    std::size_t failed = 0;
    for (std::size_t i = 0; i < queue.Size(); ++i) {
        const auto& job = queue.GetJob(i);
        bytes += job.bytes;
        if (job.state != CDownloadQueue::Job::State::Done) {
            ++failed;
            std::fprintf(stderr, "%s: %s\n", job.url.c_str(), job.error.c_str());
        }
    }
    std::printf("seconds=%.3f bytes=%llu failed=%zu\n", seconds, static_cast<unsigned long long>(bytes), failed);
    return failed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "serve" && argc == 4)
        return serve(argv[2], std::stoi(argv[3]));
    if (mode == "get" && argc > 2)
        return get(argc, argv);
    std::fprintf(stderr, "usage: download_bench serve DIR DELAY_MS | get [--transfers N] [--per-host N] OUTDIR URL...\n");
    return 2;
}
