// Who waits when the gateway's budget for held bytes is spent, and who is
// woken when bytes are released.
#include "gateway/src/buffer_budget.h"

#include <boost/asio/io_context.hpp>

#include <gtest/gtest.h>

namespace {

TEST(BufferBudget, TheHeaviestWaitUntilBytesAreReleased)
{
    boost::asio::io_context io;
    auto budget = std::make_shared<nxcommd::BufferBudget>(io.get_executor(), 100);
    nxcommd::BudgetAccount heavy(budget);
    nxcommd::BudgetAccount light(budget);
    heavy.charge(90);
    light.charge(10);
    EXPECT_FALSE(heavy.over_share());  // spent, not exceeded
    heavy.charge(20);
    EXPECT_TRUE(heavy.over_share());
    EXPECT_FALSE(light.over_share());

    // One relay of a waiting account may finish its response, while no
    // answer of that account waits to be written.
    const int first = 0;
    const int second = 0;
    EXPECT_TRUE(heavy.may_receive(&first));
    EXPECT_FALSE(heavy.may_receive(&second));
    heavy.relay_finished(&first);
    heavy.set_answers_waiting(true);
    EXPECT_FALSE(heavy.may_receive(&second));

    bool resumed = false;
    const auto owner = std::make_shared<int>();
    heavy.wait(
        owner, [&] { return !heavy.over_share(); }, [&] { resumed = true; });
    heavy.release(5);
    io.poll();
    EXPECT_FALSE(resumed);
    heavy.release(30);
    io.restart();
    io.poll();
    EXPECT_TRUE(resumed);
    EXPECT_EQ(budget->held(), 85u);
}

}  // namespace
