// One program at a time and the message a second one sends the first: named
// mutexes and registered window messages, as every implementation of the
// layer must give them.
#include <algorithm>

#include <gtest/gtest.h>

#include "Sandbox.h"

using namespace platform;
using contract::Sandbox;

namespace {

bool contains(const std::vector<std::uint32_t>& messages, std::uint32_t message) {
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

// A name of this test alone (no backslash: a mutex name may have none).
std::string uniqueName(const Sandbox& sb, const std::string& what) {
    return "Dro contract " + what + " " + sb.root().substr(sb.root().find_last_of("\\/") + 1);
}

} // namespace

TEST(MessagesContract, OnlyTheFirstHolderOfAMutexNameHoldsIt) {
    Sandbox sb;
    ScriptedUserInterface otherUi;
    auto other = sb.another(otherUi);
    const std::string name = uniqueName(sb, "mutex");

    auto first = sb.win().createMutex(name);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->alreadyExisted());
    auto second = other->createMutex(name);
    EXPECT_TRUE(second->alreadyExisted());
    EXPECT_FALSE(sb.win().createMutex(name + " other")->alreadyExisted());

    // The second program was told and keeps nothing: once the first is gone,
    // the name is free even while the second's answer lives.
    first.reset();
    auto third = other->createMutex(name);
    EXPECT_FALSE(third->alreadyExisted());
    EXPECT_TRUE(sb.win().createMutex(name)->alreadyExisted());
}

TEST(MessagesContract, RegisteredMessagesAreSharedAndReachTheOtherProgramsOnly) {
    Sandbox sb;
    ScriptedUserInterface otherUi;
    auto other = sb.another(otherUi);
    const std::string name = uniqueName(sb, "message");

    const std::uint32_t mine = sb.win().registerWindowMessage(name);
    EXPECT_GE(mine, 0xC000u);
    EXPECT_LE(mine, 0xFFFFu);
    EXPECT_EQ(sb.win().registerWindowMessage(name), mine);
    EXPECT_EQ(other->registerWindowMessage(name), mine);

    // Nothing arrived yet; what arrives is taken once.
    EXPECT_FALSE(contains(other->takeReceivedMessages(), mine));
    sb.win().broadcastMessage(mine);
    EXPECT_TRUE(contains(other->takeReceivedMessages(), mine));
    EXPECT_FALSE(contains(other->takeReceivedMessages(), mine));
    EXPECT_FALSE(contains(sb.win().takeReceivedMessages(), mine));

    // The other way round, and twice.
    other->broadcastMessage(mine);
    other->broadcastMessage(mine);
    const auto received = sb.win().takeReceivedMessages();
    EXPECT_EQ(std::count(received.begin(), received.end(), mine), 2);
    EXPECT_FALSE(contains(other->takeReceivedMessages(), mine));
}
