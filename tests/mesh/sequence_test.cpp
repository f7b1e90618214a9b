// Animation sequences: their scripts, and a character stepping through them with goto and bad goto.
#include "support/ConsoleLog.h"
#include "support/TempDir.h"

#include "mesh/SequenceList.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
class SequenceTest : public ::testing::Test
{
protected:
    void SetUp() override { list.Clear(); }
    void TearDown() override { list.Clear(); }

    TempDir temp;
    SequenceList list;
};
} // namespace

TEST_F(SequenceTest, ScriptsBuildStepsWithTheirLimits)
{
    std::string many;
    for (int i = 0; i < 9; ++i)
        many += "animacja a" + std::to_string(i) + "\n";
    temp.Write("scripts/animations/a.txt", "speed 3\n"
                                           "faza orphan\n"
                                           "SEQUENCE Greet\r\n"
                                           "animacja ignored\r\n"
                                           "faza wave\r\n"
                                           "speed 2\r\n" +
                                               many +
                                               "speed 1.5\n"
                                               "interpolacja 0.4\n"
                                               "goto wave\n"
                                               "dialogue hello\n"
                                               "faza " +
                                               std::string(100, 'n') + "\n");
    temp.Write("scripts/animations/b.txt", "sequence greet\nfaza second\nanimacja bow\n");
    temp.Write("scripts/animations/.hidden.txt", "sequence hidden\nfaza x\nanimacja y\n");
    list.LoadAll();
    EXPECT_EQ(list.FindSequence("hidden"), nullptr);
    strSequence* greet = list.FindSequence("GREET");
    ASSERT_NE(greet, nullptr);
    // Both files define it: the one read last is found.
    EXPECT_STREQ(greet->pFirstStep->szName, "second");
    strSequence* first = greet->pNext;
    ASSERT_NE(first, nullptr);
    strSequenceStep* wave = SequenceList::FindStep(first, "Wave");
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(wave->iNumAnimations, 8u) << "the ninth animation is ignored";
    EXPECT_STREQ(wave->szAnimations[7], "a7");
    EXPECT_EQ(wave->fSpeeds[0], 0.0f) << "a speed before any animation is ignored";
    EXPECT_EQ(wave->fSpeeds[7], 1.5f);
    EXPECT_EQ(wave->fInterpolation, 0.4f);
    EXPECT_STREQ(wave->szGoto, "wave");
    EXPECT_STREQ(wave->szDialogue, "hello");
    ASSERT_NE(wave->pNext, nullptr);
    EXPECT_EQ(std::string(wave->pNext->szName), std::string(63, 'n')) << "names are cut to their field";
    EXPECT_EQ(wave->pNext->fInterpolation, 0.2f);
}

TEST_F(SequenceTest, GotoJumpsAndABadGotoGoesOnWithTheNextStep)
{
    temp.Write("scripts/animations/s.txt", "sequence patrol\n"
                                           "faza empty\n"
                                           "faza look\nanimacja look_left\ngoto turn\n"
                                           "faza skipped\nanimacja never\n"
                                           "faza turn\nanimacja turn_round\ngoto nowhere\n"
                                           "faza rest\nanimacja sit\n"
                                           "sequence silent\nfaza a\nfaza b\n");
    list.LoadAll();
    strSequenceCharacter guard;
    std::snprintf(guard.szName, sizeof guard.szName, "guard");
    strSequence* patrol = list.FindSequence("patrol");
    ASSERT_NE(patrol, nullptr);
    list.StartStep(&guard, patrol, patrol->pFirstStep);
    ASSERT_NE(guard.pStep, nullptr);
    EXPECT_STREQ(guard.pStep->szName, "look") << "steps without animations are skipped";
    EXPECT_STREQ(guard.szAnimation, "look_left");

    const char* expected[] = {"turn_round", "sit"};
    for (const char* animation : expected)
    {
        EXPECT_FALSE(list.IsCharacterAnimationFinished(&guard));
        list.AdvanceCharacterSequence(&guard);
        EXPECT_STREQ(guard.szAnimation, animation);
    }
    EXPECT_NE(ConsoleLog().find("Error! Animation sequence patrol - wrong GoTo nowhere"), std::string::npos);
    list.AdvanceCharacterSequence(&guard);
    EXPECT_EQ(guard.pSequence, nullptr) << "the last step ends the sequence";
    EXPECT_EQ(guard.pStep, nullptr);

    strSequence* silent = list.FindSequence("silent");
    list.StartStep(&guard, silent, silent->pFirstStep);
    EXPECT_EQ(guard.pSequence, nullptr) << "a sequence without animations ends at once";
}
