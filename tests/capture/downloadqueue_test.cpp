// Many downloads at once from real servers on 127.0.0.1, including hostile ones.
#include "downloadqueue.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include "localserver.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <set>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using State = CDownloadQueue::Job::State;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Counts the requests a server is answering at once.
struct Concurrency
{
    std::atomic<int> now{0}, peak{0};

    void enter()
    {
        const int n = ++now;
        for (int seen = peak.load(); n > seen && !peak.compare_exchange_weak(seen, n);) {
        }
    }
    void leave() { --now; }
};

// Serves /slow/N after a delay, counting its own and everybody's concurrent requests.
void addSlowRoute(LocalServer& local, Concurrency& own, Concurrency& all, int delayMs)
{
    local.server.Get(R"(/slow/(\d+))", [&own, &all, delayMs](const httplib::Request& req, httplib::Response& res) {
        own.enter();
        all.enter();
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        own.leave();
        all.leave();
        res.set_content("body " + req.matches[1].str(), "text/plain");
    });
    local.server.set_tcp_nodelay(true); // else delayed ACKs stretch every answer on a kept connection
}

class DownloadQueueTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
        local.server.Get("/r1", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/r2"); });
        local.server.Get("/r2", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/img/photo.jpg");
            res.set_content(std::string(5000, 'm'), "text/html"); // never written
        });
        local.server.Get("/encoded", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Content-Disposition",
                           "attachment; filename=\"plain.txt\"; filename*=UTF-8''..%2F..%2Fr%C3%A9sum%C3%A9.pdf");
            res.set_content("cv", "application/pdf");
        });
        local.server.Get("/style.css", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(css, "text/css; charset=utf-8"); // compressed on the way when asked
        });
        // Sends a little, then nothing until the test ends.
        local.server.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(100000, "image/png", [this](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                if (offset == 0)
                    return sink.write(std::string(1000, 's').data(), 1000);
                holdUntilReleased();
                return false;
            });
        });
        // Says nothing at all until the test ends.
        local.server.Get("/silent", [this](const httplib::Request&, httplib::Response& res) {
            holdUntilReleased();
            res.set_content("late", "text/plain");
        });
        local.server.set_tcp_nodelay(true);
        local.Start();
    }
    void TearDown() override { released = true; }

    void holdUntilReleased() const
    {
        for (int i = 0; i < 200 && !released; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    // Runs the queue; the indexes in the order onDone reported them.
    std::vector<std::size_t> run(CDownloadQueue& queue)
    {
        std::vector<std::size_t> ended;
        std::atomic<bool> abort{false};
        queue.Run([&](std::size_t i) { ended.push_back(i); }, {}, abort);
        return ended;
    }

    // Everything in the download folder, by name.
    std::set<std::string> files() const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            names.insert(entry.path().filename().string());
        return names;
    }
    std::string file(const std::string& name) const { return dir + "/" + name; }

    static inline const std::string css = [] {
        std::string s;
        for (int i = 0; i < 4000; ++i)
            s += ".rule" + std::to_string(i % 50) + " { color: red; }\n";
        return s;
    }();

    std::atomic<bool> released{false};
    TestFolder folder;
    const std::string dir = folder.file("dl");
    LocalServer local;
};

} // namespace

TEST_F(DownloadQueueTest, OneHostGetsTwoConnectionsAndTheWorkOverlaps)
{
    Concurrency own, all;
    LocalServer slow;
    addSlowRoute(slow, own, all, 50);
    slow.Start();

    CDownloadQueue queue;
    for (int i = 0; i < 30; ++i)
        queue.Add(slow.Url("/slow/" + std::to_string(i)), file("f" + std::to_string(i)));
    std::vector<CDownloadQueue::Progress> reports;
    std::atomic<bool> abort{false};
    std::size_t doneCalls = 0;
    const auto start = Clock::now();
    queue.Run([&](std::size_t) { ++doneCalls; }, [&](const CDownloadQueue::Progress& p) { reports.push_back(p); }, abort);
    const double elapsed = secondsSince(start);

    EXPECT_EQ(own.peak, 2);
    EXPECT_LT(elapsed, 0.8 * 30 * 0.05) << "serial would take 1.5 s";
    EXPECT_EQ(doneCalls, 30u);
    for (std::size_t i = 0; i < queue.Size(); ++i) {
        const auto& job = queue.GetJob(i);
        ASSERT_EQ(job.state, State::Done) << job.error;
        EXPECT_EQ(job.finalPath, file("f" + std::to_string(i)));
        EXPECT_EQ(ReadFile(job.finalPath), "body " + std::to_string(i));
        EXPECT_EQ(job.contentType, "text/plain");
    }
    ASSERT_FALSE(reports.empty());
    EXPECT_LE(reports.size(), static_cast<std::size_t>(elapsed * 10) + 2) << "about ten reports a second";
    const auto& last = reports.back();
    EXPECT_EQ(last.done, 30u);
    EXPECT_EQ(last.total, 30u);
    EXPECT_EQ(last.failed, 0u);
    EXPECT_EQ(last.bytes, 30u * 6 + 20u); // "body 0".."body 9" and "body 10".."body 29"
    EXPECT_TRUE(last.current.empty());
    EXPECT_TRUE(std::any_of(reports.begin(), reports.end(), [](const auto& p) { return p.current.size() == 2; }));
}

TEST_F(DownloadQueueTest, FourHostsShareSixTransfers)
{
    Concurrency all;
    Concurrency own[4];
    std::vector<std::unique_ptr<LocalServer>> servers;
    for (auto& counter : own) {
        servers.push_back(std::make_unique<LocalServer>());
        addSlowRoute(*servers.back(), counter, all, 50);
        servers.back()->Start();
    }
    CDownloadQueue queue;
    for (int i = 0; i < 40; ++i)
        queue.Add(servers[i % 4]->Url("/slow/" + std::to_string(i)), file("f" + std::to_string(i)));
    run(queue);

    EXPECT_LE(all.peak, 6);
    EXPECT_GT(all.peak, 2);
    for (const auto& counter : own)
        EXPECT_LE(counter.peak, 2);
    for (std::size_t i = 0; i < queue.Size(); ++i)
        EXPECT_EQ(queue.GetJob(i).state, State::Done) << queue.GetJob(i).error;
}

TEST_F(DownloadQueueTest, RedirectsServerNamesAndEncodingsGiveTheFinalFile)
{
    CDownloadQueue queue;
    const auto redirected = queue.Add(local.Url("/r1"), file("R"));
    const auto evil = queue.Add(local.Url("/evil"), file("E"));
    const auto encoded = queue.Add(local.Url("/encoded"), file("U"));
    const auto css = queue.Add(local.Url("/style.css"), file("S"));
    run(queue);

    const auto& r = queue.GetJob(redirected);
    ASSERT_EQ(r.state, State::Done) << r.error;
    EXPECT_EQ(r.finalPath, file("Rphoto.jpg"));
    EXPECT_EQ(r.effectiveUrl, local.Url("/img/photo.jpg"));
    EXPECT_EQ(r.contentType, "image/jpeg");
    EXPECT_EQ(ReadFile(r.finalPath), "photo");

    EXPECT_EQ(queue.GetJob(evil).finalPath, file("Ex.txt")) << "the server cannot choose the folder";
    EXPECT_EQ(ReadFile(file("Ex.txt")), "evil");
    EXPECT_EQ(queue.GetJob(encoded).finalPath, file("Urésumé.pdf"));

    const auto& s = queue.GetJob(css);
    ASSERT_EQ(s.state, State::Done) << s.error;
    EXPECT_EQ(ReadFile(s.finalPath), DownloadQueueTest::css) << "a compressed answer arrives decoded";
    EXPECT_EQ(s.bytes, DownloadQueueTest::css.size());
    EXPECT_EQ(s.contentType, "text/css; charset=utf-8");

    EXPECT_EQ(files(), (std::set<std::string>{"Rphoto.jpg", "Ex.txt", "Urésumé.pdf", "S"}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << "nothing beside the folder";
}

TEST_F(DownloadQueueTest, HostileAnswersFailAndLeaveNoFile)
{
    struct Case
    {
        std::string url;
        std::string error; // the start of the message
    };
    const Case cases[] = {
        {local.Url("/missing"), "Failed to receive a valid HTTP response from the server (HTTP 404)"},
        {local.Url("/loop"), "An error occurred connecting to the server, Error:47"},
        {local.Url("/bigheader"), "Failed to receive a valid response from the server"},
        {local.Url("/reset"), "An error occurred while downloading the file, Error:18"},
        {"ftp://127.0.0.1/file", "An error occurred connecting to the server, Error:1"},
        {"file:///etc/passwd", "An error occurred connecting to the server, Error:1"},
        {"127.0.0.1/no-scheme", "An error occurred connecting to the server, Error:3"},
        {"http://", "An error occurred connecting to the server, Error:3"},
        {"http://127.0.0.1:1/refused", "An error occurred connecting to the server, Error:7"},
    };
    CDownloadQueue queue;
    for (std::size_t i = 0; i < std::size(cases); ++i)
        queue.Add(cases[i].url, file("f" + std::to_string(i)));
    const std::vector<std::size_t> order = run(queue);
    ASSERT_EQ(order.size(), std::size(cases));
    EXPECT_EQ(std::set<std::size_t>(order.begin(), order.begin() + 4), (std::set<std::size_t>{4, 5, 6, 7}))
        << "addresses that cannot be fetched fail before any transfer";
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& job = queue.GetJob(i);
        EXPECT_EQ(job.state, State::Failed) << cases[i].url;
        EXPECT_TRUE(job.error.starts_with(cases[i].error)) << cases[i].url << ": " << job.error;
        EXPECT_EQ(job.finalPath, "");
    }
    EXPECT_EQ(queue.GetJob(0).bytes, 0u) << "the body of a 404 is never written";
    EXPECT_TRUE(files().empty());
}

TEST_F(DownloadQueueTest, BodiesOverTheLimitFailEvenWhenCompressedOrUnannounced)
{
    CDownloadQueue::Options options;
    options.maxBytes = 3000;
    CDownloadQueue queue(options);
    const auto exact = queue.Add(local.Url("/file.gif"), file("exact"));
    const auto endless = queue.Add(local.Url("/endless"), file("endless"));
    const auto inflated = queue.Add(local.Url("/style.css"), file("inflated"));
    run(queue);
    EXPECT_EQ(queue.GetJob(exact).state, State::Done) << queue.GetJob(exact).error;
    for (const auto i : {endless, inflated}) {
        EXPECT_EQ(queue.GetJob(i).state, State::Failed);
        EXPECT_EQ(queue.GetJob(i).error,
                  "An error occurred while downloading the file, Error:27 (the file is too large, over 2.9 KB)");
    }
    EXPECT_EQ(files(), std::set<std::string>{"exact"});
}

TEST_F(DownloadQueueTest, StalledServersFailAfterTheStallTime)
{
    CDownloadQueue::Options options;
    options.stallSeconds = 1;
    CDownloadQueue queue(options);
    const auto midBody = queue.Add(local.Url("/stall"), file("a"));
    const auto silent = queue.Add(local.Url("/silent"), file("b"));
    const auto start = Clock::now();
    run(queue);
    const double elapsed = secondsSince(start);

    EXPECT_GE(elapsed, 1.0);
    EXPECT_LT(elapsed, 2.5);
    EXPECT_EQ(queue.GetJob(midBody).state, State::Failed);
    EXPECT_TRUE(queue.GetJob(midBody).error.starts_with("An error occurred while downloading the file, Error:28 ("))
        << queue.GetJob(midBody).error;
    EXPECT_EQ(queue.GetJob(silent).state, State::Failed);
    EXPECT_TRUE(queue.GetJob(silent).error.starts_with("An error occurred connecting to the server, Error:28 ("))
        << queue.GetJob(silent).error;
    EXPECT_TRUE(files().empty());
}

TEST_F(DownloadQueueTest, TheTimeLimitFailsWhatIsLeft)
{
    CDownloadQueue::Options options;
    options.totalSeconds = 1;
    options.maxTransfers = 1;
    CDownloadQueue queue(options);
    queue.Add(local.Url("/file.gif"), file("a"));
    queue.Add(local.Url("/endless"), file("b"));
    queue.Add(local.Url("/file.gif"), file("c"));
    const auto start = Clock::now();
    run(queue);
    EXPECT_LT(secondsSince(start), 1.5);
    EXPECT_EQ(queue.GetJob(0).state, State::Done);
    for (std::size_t i : {1, 2}) {
        EXPECT_EQ(queue.GetJob(i).state, State::Failed);
        EXPECT_EQ(queue.GetJob(i).error, "Time limit reached");
    }
    EXPECT_EQ(files(), std::set<std::string>{"a"});
}

TEST_F(DownloadQueueTest, AbortStopsAtOnceAndKeepsFinishedFiles)
{
    CDownloadQueue::Options options;
    options.maxTransfers = 2;
    CDownloadQueue queue(options);
    queue.Add(local.Url("/file.gif"), file("done.gif"));
    queue.Add(local.Url("/endless"), file("big1"));
    queue.Add(local.Url("/endless"), file("big2"));
    queue.Add(local.Url("/file.gif"), file("later.gif"));

    std::atomic<bool> abort{false};
    Clock::time_point abortedAt;
    std::thread user;
    queue.Run(
        [](std::size_t) {},
        [&](const CDownloadQueue::Progress& p) {
            if (p.bytes > 200000 && !user.joinable())
                user = std::thread([&] {
                    abortedAt = Clock::now();
                    abort = true;
                });
        },
        abort);
    const auto returned = Clock::now();
    ASSERT_TRUE(user.joinable());
    user.join();
    EXPECT_LT(std::chrono::duration<double>(returned - abortedAt).count(), 0.5);

    EXPECT_EQ(queue.GetJob(0).state, State::Done);
    EXPECT_EQ(ReadFile(file("done.gif")), std::string(3000, 'g'));
    for (std::size_t i : {1, 2, 3})
        EXPECT_EQ(queue.GetJob(i).state, State::Aborted) << i;
    EXPECT_EQ(files(), std::set<std::string>{"done.gif"}) << "no partial file left";
}

TEST_F(DownloadQueueTest, OnDoneCanAddFollowUpsToTheSameRun)
{
    CDownloadQueue queue;
    queue.Add(local.Url("/style.css"), file("page.css"));
    std::atomic<bool> abort{false};
    std::vector<std::size_t> ended;
    queue.Run(
        [&](std::size_t i) {
            ended.push_back(i);
            if (i == 0) {
                const auto& css = queue.GetJob(0); // stays valid while more are added
                for (int n = 0; n < 20; ++n)
                    queue.Add(local.Url("/file.gif"), file("img" + std::to_string(n)));
                EXPECT_EQ(css.url, local.Url("/style.css"));
            }
        },
        {}, abort);
    EXPECT_EQ(ended.size(), 21u);
    ASSERT_EQ(queue.Size(), 21u);
    for (std::size_t i = 0; i < queue.Size(); ++i)
        EXPECT_EQ(queue.GetJob(i).state, State::Done) << queue.GetJob(i).error;
}

TEST_F(DownloadQueueTest, AnExistingFileIsNeverOverwritten)
{
    ASSERT_TRUE(WriteFile(file("taken"), "mine"));
    ASSERT_TRUE(WriteFile(file("Nreport.pdf"), "older report"));
    ASSERT_EQ(::symlink(folder.file("outside").c_str(), file("link.part").c_str()), 0);
    CDownloadQueue queue;
    const auto taken = queue.Add(local.Url("/file.gif"), file("taken"));
    const auto named = queue.Add(local.Url("/named"), file("N"));
    const auto twice1 = queue.Add(local.Url("/file.gif"), file("twice"));
    const auto twice2 = queue.Add(local.Url("/img/photo.jpg"), file("twice"));
    const auto link = queue.Add(local.Url("/file.gif"), file("link"));
    run(queue);

    EXPECT_EQ(queue.GetJob(taken).state, State::Failed);
    EXPECT_EQ(queue.GetJob(taken).error,
              "An error occured while opening the file to be downloaded, Error:17 (the file exists already)");
    EXPECT_EQ(ReadFile(file("taken")), "mine");

    EXPECT_EQ(queue.GetJob(named).state, State::Done) << "a taken server name leaves the given one";
    EXPECT_EQ(queue.GetJob(named).finalPath, file("N"));
    EXPECT_EQ(ReadFile(file("Nreport.pdf")), "older report");
    EXPECT_EQ(ReadFile(file("N")), "pdf");

    EXPECT_NE(queue.GetJob(twice1).state, queue.GetJob(twice2).state) << "one of two jobs for one file";
    EXPECT_TRUE(ReadFile(file("twice")) == "photo" || ReadFile(file("twice")) == std::string(3000, 'g'));

    EXPECT_EQ(queue.GetJob(link).state, State::Failed);
    EXPECT_FALSE(Exists(folder.file("outside")));
    EXPECT_EQ(files(), (std::set<std::string>{"taken", "Nreport.pdf", "N", "twice", "link.part"}));
}

#ifdef QUOR_TEST_DATA
TEST_F(DownloadQueueTest, AnUntrustedCertificateFails)
{
    const std::string data = QUOR_TEST_DATA;
    LocalTlsServer tls((data + "/selfsigned.crt").c_str(), (data + "/selfsigned.key").c_str());
    tls.Start();
    CDownloadQueue queue;
    queue.Add(tls.Url("/file.gif"), file("a"));
    run(queue);
    EXPECT_EQ(queue.GetJob(0).state, State::Failed);
    EXPECT_TRUE(queue.GetJob(0).error.starts_with("An error occurred connecting to the server, Error:60 ("))
        << queue.GetJob(0).error;
    EXPECT_TRUE(files().empty());
}
#endif
