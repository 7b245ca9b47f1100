// Pipelines: delivery, misuse texts, progress arithmetic.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace trov
