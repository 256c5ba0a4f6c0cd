#include "platform/AppActivity.h"

#include "support/FakeAppActivity.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

using State = AppActivity::State;
using Focus = AppActivity::Focus;

const char* nameOf(State state)
{
    switch (state) {
    case State::Active:
        return "active";
    case State::Inactive:
        return "inactive";
    case State::Background:
        return "background";
    }
    return "?";
}

TEST(AppActivityTest, CombinesFocusWithWindowVisibility)
{
    struct Case
    {
        Focus focus;
        bool windowShown;
        State expected;
    };
    const Case cases[] = {
        {Focus::Active, true, State::Active},
        {Focus::Inactive, true, State::Inactive},
        {Focus::Hidden, true, State::Background},
        {Focus::Suspended, true, State::Background},
        // A minimised or hidden window wins even where the platform still says "active".
        {Focus::Active, false, State::Background},
        {Focus::Inactive, false, State::Background},
        {Focus::Hidden, false, State::Background},
        {Focus::Suspended, false, State::Background},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AppActivity::combine(c.focus, c.windowShown), c.expected)
            << "focus " << static_cast<int>(c.focus) << ", shown " << c.windowShown;
    }
}

TEST(AppActivityTest, AnnouncesTransitionsIntoAndOutOfActive)
{
    struct Case
    {
        State from;
        State to;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {State::Active, State::Inactive, {"changed:inactive", "resigned"}},
        {State::Active, State::Background, {"changed:background", "resigned"}},
        {State::Inactive, State::Active, {"changed:active", "became"}},
        {State::Background, State::Active, {"changed:active", "became"}},
        {State::Inactive, State::Background, {"changed:background"}},
        {State::Background, State::Inactive, {"changed:inactive"}},
        {State::Active, State::Active, {}},
        {State::Background, State::Background, {}},
    };
    for (const Case& c : cases) {
        test::FakeAppActivity activity(c.from);
        std::vector<std::string> log;
        QObject::connect(&activity, &AppActivity::stateChanged, [&](State state) {
            // Listeners already see the new state.
            EXPECT_EQ(activity.state(), state);
            log.push_back(std::string("changed:") + nameOf(state));
        });
        QObject::connect(&activity, &AppActivity::becameActive, [&] { log.push_back("became"); });
        QObject::connect(&activity, &AppActivity::resignedActive, [&] { log.push_back("resigned"); });

        activity.setState(c.to);
        EXPECT_EQ(activity.state(), c.to);
        EXPECT_EQ(log, c.expected) << nameOf(c.from) << " -> " << nameOf(c.to);
    }
}

} // namespace
} // namespace qm
