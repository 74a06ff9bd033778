// Two people entering the same region one after the other, with the real view and a real server:
// the second steps off the entry point, and both pictures show each one where they stand.
#include "platform/com/variant.h"
#include "tests/e2e/support/world_test_bed.h"

#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace e2e {
namespace {

using plexa::WorldPanel;

struct Shown {
    bool known = false;
    double x = 0, z = 0;  // millimetres
};

// Where the panel's view draws the participant ("id,x,y,z,visible" from the view's diagnostic).
Shown ShownIn(WorldPanel& panel, int16_t clientId) {
    platform::com::Variant result;
    auto* site = panel.View().Site();
    if (!site || site->Call(100, {platform::com::Variant::I2(clientId)}, &result) != platform::com::S_OK) return {};
    std::string text;
    if (!result.Get(&text)) return {};
    const QStringList fields = QString::fromStdString(text).split(',');
    if (fields.size() != 5) return {};
    return {true, fields[1].toDouble(), fields[3].toDouble()};
}

double Apart(const Shown& a, const Shown& b) { return std::hypot(a.x - b.x, a.z - b.z); }

class Arrival : public WorldTestBed {
protected:
    QString ArtifactArea() const override { return QStringLiteral("arrival"); }
};

TEST_F(Arrival, TheSecondToEnterStandsApartAndEveryoneSeesItThere) {
    a_ = StartPanel("alice", 0);
    ASSERT_TRUE(Enter(*a_));
    b_ = StartPanel("bob", 820);
    ASSERT_TRUE(Enter(*b_));
    ASSERT_TRUE(WaitForRosterSize(*a_, 2));
    ASSERT_TRUE(WaitForRosterSize(*b_, 2));
    const int16_t alice = a_->Roster().OwnEntry()->clientId;
    const int16_t bob = b_->Roster().OwnEntry()->clientId;

    // Bob entered where Alice stands: his own view moved him aside.
    const Shown bobHimself = ShownIn(*b_, bob);
    const Shown aliceInBobs = ShownIn(*b_, alice);
    ASSERT_TRUE(bobHimself.known && aliceInBobs.known);
    EXPECT_GE(Apart(bobHimself, aliceInBobs), 1100.0)
        << "Bob at " << bobHimself.x << "," << bobHimself.z << ", Alice in his view at " << aliceInBobs.x << ","
        << aliceInBobs.z;

    // Alice's picture shows Bob where he stands, once his report has come round.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Apart(ShownIn(*a_, bob), bobHimself) < 50.0; }, 5000))
        << "Bob in Alice's view at " << ShownIn(*a_, bob).x << "," << ShownIn(*a_, bob).z << ", he stands at "
        << bobHimself.x << "," << bobHimself.z;
    EXPECT_GE(Apart(ShownIn(*a_, bob), ShownIn(*a_, alice)), 1100.0);
    QTest::qWait(300);
    Screenshot(*a_, "alice_sees_bob_beside");
}

}  // namespace
}  // namespace e2e
