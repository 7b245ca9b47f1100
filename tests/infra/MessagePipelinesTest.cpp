// Pipelines: delivery, misuse texts, progress arithmetic.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "infra/MessagePipelines.h"
#include "infra/UserPrompt.h"

namespace trov {
namespace {

struct RecordingPrompt : CUserPrompt {
    std::vector<std::string> texts;
    PromptAnswer Ask(const std::string& text, const std::string&, PromptButtons, PromptAnswer d) override {
        texts.push_back(text);
        return d;
    }
};

struct Recorder : CMessagePipelineListener {
    std::vector<std::string> got;
    void OnMessage(const std::string& p, int32_t v) override { got.push_back(p + "=" + std::to_string(v)); }
    void OnMessage(const std::string& p, const std::string& t) override { got.push_back(p + ":" + t); }
};

class PipelinesTest : public ::testing::Test {
protected:
    void SetUp() override { SetUserPrompt(&prompt); }
    void TearDown() override { SetUserPrompt(nullptr); }
    RecordingPrompt prompt;
    Recorder rec;
    CMessagePipelines pipes;
};

TEST_F(PipelinesTest, DuplicateCreateReportsOnceAndKeepsListeners) {
    ASSERT_TRUE(pipes.Create("Status"));
    ASSERT_TRUE(pipes.AddListener("Status", &rec, false));
    EXPECT_FALSE(pipes.Create("Status"));
    ASSERT_EQ(prompt.texts.size(), 1u);
    EXPECT_EQ(prompt.texts[0], "Error! Message Pipeline already exist: Status");
    pipes.Send("Status", "hello");
    EXPECT_EQ(rec.got, std::vector<std::string>{"Status:hello"});
}

TEST_F(PipelinesTest, UnknownAndCaseSensitiveNamesAreReportedUnlessDisabled) {
    pipes.Create("Status");
    pipes.AddListener("Status", &rec, false);
    pipes.Send("DEBUG", "x");
    pipes.Send("status", "x");
    ASSERT_EQ(prompt.texts.size(), 2u);
    EXPECT_EQ(prompt.texts[0], "Error: Message send to a Message Pipeline, which is not known: DEBUG");
    EXPECT_EQ(prompt.texts[1], "Error: Message send to a Message Pipeline, which is not known: status");
    pipes.SetEnabled(false);
    pipes.Send("DEBUG", "x");
    pipes.Send("Status", "x");
    EXPECT_EQ(prompt.texts.size(), 2u);
    EXPECT_TRUE(rec.got.empty());
    EXPECT_FALSE(pipes.AddListener("Nope", &rec, false));
    EXPECT_EQ(prompt.texts.back(), "Error: Message Pipeline is not known: Nope");
}

TEST_F(PipelinesTest, NoListenerIsReportedAndTwiceRegisteredListenerHearsTwice) {
    pipes.Create("MaxProgress");
    pipes.Send("MaxProgress", 5);
    ASSERT_EQ(prompt.texts.size(), 1u);
    EXPECT_EQ(prompt.texts[0], "Error: Message send to a Message Pipeline, but no one listens: MaxProgress");
    EXPECT_FALSE(pipes.AddListener("MaxProgress", nullptr, false));
    pipes.AddListener("MaxProgress", &rec, false);
    pipes.AddListener("MaxProgress", &rec, false);
    pipes.Send("MaxProgress", 7);
    EXPECT_EQ(rec.got, (std::vector<std::string>{"MaxProgress=7", "MaxProgress=7"}));
}

TEST_F(PipelinesTest, ClearDestroysOnlyFlaggedListeners) {
    struct Counted : Recorder {
        int* deaths;
        explicit Counted(int* d) : deaths(d) {}
        ~Counted() override { ++*deaths; }
    };
    int deaths = 0;
    pipes.Create("A");
    pipes.Create("B");
    pipes.AddListener("A", new Counted(&deaths), true);
    pipes.AddListener("B", &rec, false);
    pipes.Clear();
    EXPECT_EQ(deaths, 1);
    pipes.Send("A", 1);
    EXPECT_EQ(prompt.texts.size(), 1u);
}

TEST(ProgressMeterTest, PositionAndPercentText) {
    CProgressMeter m;
    m.SetCurrent(100);
    EXPECT_EQ(m.GetPosition(), 0);
    EXPECT_EQ(m.GetText(), "0 %");
    m.SetMaximum(400);
    EXPECT_EQ(m.SetCurrent(100), 2500);
    EXPECT_EQ(m.GetText(), "25 %");
    m.SetMaximum(3);
    EXPECT_EQ(m.SetCurrent(1), 3333);
    EXPECT_EQ(m.GetText(), "33 %");
}

TEST_F(PipelinesTest, ListenerServingSeveralPipelinesIsDestroyedOnce) {
    struct Counted : Recorder {
        int* deaths;
        explicit Counted(int* d) : deaths(d) {}
        ~Counted() override { ++*deaths; }
    };
    int deaths = 0;
    auto* shared = new Counted(&deaths);
    pipes.Create("A");
    pipes.Create("B");
    pipes.AddListener("A", shared, true);
    pipes.AddListener("A", shared, true);
    pipes.AddListener("B", shared, true);
    pipes.Clear();
    EXPECT_EQ(deaths, 1);
}

TEST_F(PipelinesTest, ListenerMaySendAgainOnItsOwnPipeline) {
    struct Echo : CMessagePipelineListener {
        CMessagePipelines* pipes = nullptr;
        std::vector<int32_t> got;
        void OnMessage(const std::string& p, int32_t v) override {
            got.push_back(v);
            if (v > 0) pipes->Send(p, v - 1);  // the pipeline lock is recursive
        }
        void OnMessage(const std::string&, const std::string&) override {}
    } echo;
    echo.pipes = &pipes;
    pipes.Create("CurrentProgress");
    pipes.AddListener("CurrentProgress", &echo, false);
    pipes.Send("CurrentProgress", 3);
    EXPECT_EQ(echo.got, (std::vector<int32_t>{3, 2, 1, 0}));
    pipes.Clear();  // the registry must let go before the local listener dies
}

TEST_F(PipelinesTest, ConcurrentSendersDeliverEveryMessage) {
    struct Counter : CMessagePipelineListener {
        int count = 0;  // guarded by the pipeline's lock during delivery
        void OnMessage(const std::string&, int32_t) override { ++count; }
        void OnMessage(const std::string&, const std::string&) override { ++count; }
    } counter;
    pipes.Create("Status");
    pipes.AddListener("Status", &counter, false);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 1000; ++i) pipes.Send("Status", "x");
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(counter.count, 4000);
    EXPECT_TRUE(prompt.texts.empty());
    pipes.Clear();
}

TEST(ProgressMeterTest, ValuesOutsideTheRangeStayOnTheBar) {
    CProgressMeter m;
    m.SetMaximum(10);
    EXPECT_EQ(m.SetCurrent(10), 10000);
    EXPECT_EQ(m.GetText(), "100 %");
    EXPECT_EQ(m.SetCurrent(2000000000), 10000);
    EXPECT_EQ(m.SetCurrent(-5), 0);
    m.SetMaximum(-1);
    EXPECT_EQ(m.SetCurrent(5), 0);
    m.SetMaximum(2000000000);
    EXPECT_EQ(m.SetCurrent(1999999999), 9999);
    EXPECT_EQ(m.GetText(), "99 %");
}

TEST(CallbackHubTest, NameOrderFirstRegistrationWinsTextPayloadsAndSingleDestruction) {
    struct Named : Recorder {
        std::string tag;
        std::vector<std::string>* log;
        int* deaths = nullptr;
        Named(std::string t, std::vector<std::string>* l) : tag(std::move(t)), log(l) {}
        ~Named() override {
            if (deaths) ++*deaths;
        }
        void OnMessage(const std::string& e, int32_t v) override {
            log->push_back(tag + e + std::to_string(v));
        }
        void OnMessage(const std::string& e, const std::string& t) override { log->push_back(tag + e + t); }
    };
    std::vector<std::string> log;
    int deaths = 0;
    auto* b = new Named("b:", &log);
    b->deaths = &deaths;
    Named a("a:", &log), late("late:", &log);
    {
        CCallbackHub hub;
        EXPECT_TRUE(hub.Register("ShowPicture", b, true));
        EXPECT_TRUE(hub.Register("Another", &a, false));
        EXPECT_TRUE(hub.Register("ShowPicture", &late, false));  // keeps the first
        EXPECT_TRUE(hub.Register("Third", b, true));             // same listener under two names
        hub.Broadcast("ShowPicture", "PostProcessing", 0);
        hub.Broadcast("ShowPicture", "LeftButtonUp", std::string("[LeftButtonUp]\r\nX=3\r\nY=4\r\n"));
    }
    EXPECT_EQ(deaths, 1);
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[0], "a:PostProcessing0");
    EXPECT_EQ(log[1], "b:PostProcessing0");
    EXPECT_EQ(log[2], "b:PostProcessing0");
    EXPECT_EQ(log[3], "a:LeftButtonUp[LeftButtonUp]\r\nX=3\r\nY=4\r\n");
}

}  // namespace
}  // namespace trov
