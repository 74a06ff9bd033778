#include "platform/com/control_base.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>

#include <stdexcept>

namespace com = platform::com;
using com::DispatchKind;
using com::Variant;
using com::VarType;

namespace {

class Probe : public com::ControlBase {
public:
    Probe() {
        DefineMethod(1, {VarType::I2, VarType::Bool, VarType::R4, VarType::Bstr, VarType::Empty},
                     [this](const std::vector<Variant>& a) {
                         seen = a;
                         return Variant();
                     });
        DefineMethod(2, {}, [](const std::vector<Variant>&) -> Variant { throw std::runtime_error("x"); });
        DefineCheckedMethod(3, {VarType::I4}, [](const std::vector<Variant>& a, Variant* r) {
            if (a[0].AsI4() < 0) return com::E_INVALIDARG;
            *r = Variant::I4(a[0].AsI4() * 10);
            return com::S_OK;
        });
        DefineProperty(10, VarType::I2, [this] { return Variant::I4(value); }, nullptr);
        DefineProperty(11, VarType::I4, nullptr, [this](const Variant& v) { value = v.AsI4(); });
    }
    QWidget* CreateWindowWidget(QWidget* parent) override {
        ++windowsMade;
        return new QLabel("probe", parent);
    }
    std::vector<Variant> seen;
    int32_t value = 7;
    int windowsMade = 0;
};

std::vector<Variant> GoodArgs() {
    return {Variant::I2(1), Variant::Bool(true), Variant::R4(1.5f), Variant::Bstr("a"), Variant::Bstr("any")};
}

}  // namespace

TEST(ControlBaseTest, ArgumentsConvertToTheDeclaredTypesWhenTheyFit) {
    Probe p;
    std::vector<Variant> args = {Variant::I4(-32768), Variant::I4(5), Variant::I4(3), Variant::Bstr(""), Variant::I2(9)};
    ASSERT_EQ(p.Invoke(1, DispatchKind::Method, args, nullptr), com::S_OK);
    EXPECT_EQ(p.seen[0], Variant::I2(-32768));
    EXPECT_EQ(p.seen[1], Variant::Bool(true));
    EXPECT_EQ(p.seen[2], Variant::R4(3.0f));
    EXPECT_EQ(p.seen[4], Variant::I2(9));  // Empty accepts anything unchanged

    args[0] = Variant::Bool(true);
    args[1] = Variant::I2(0);
    args[2] = Variant::I2(-2);
    ASSERT_EQ(p.Invoke(1, DispatchKind::Method, args, nullptr), com::S_OK);
    EXPECT_EQ(p.seen[0], Variant::I2(1));
    EXPECT_EQ(p.seen[1], Variant::Bool(false));
    EXPECT_EQ(p.seen[2], Variant::R4(-2.0f));
}

TEST(ControlBaseTest, ArgumentsThatDoNotFitAreTypeMismatches) {
    Probe p;
    const std::vector<std::pair<size_t, Variant>> bad = {
        {0, Variant::I4(32768)}, {0, Variant::I4(-32769)}, {0, Variant::R4(1.0f)}, {0, Variant::Bstr("1")},
        {1, Variant::Bstr("true")}, {1, Variant()}, {2, Variant::Bool(true)}, {2, Variant::Bstr("1.5")},
        {3, Variant::I4(1)}, {3, Variant()}};
    for (const auto& [index, value] : bad) {
        auto args = GoodArgs();
        args[index] = value;
        p.seen.clear();
        EXPECT_EQ(p.Invoke(1, DispatchKind::Method, args, nullptr), com::DISP_E_TYPEMISMATCH) << index;
        EXPECT_TRUE(p.seen.empty()) << "the member ran with a bad argument " << index;
    }
}

TEST(ControlBaseTest, WrongCountUnknownMemberAndWrongKind) {
    Probe p;
    auto args = GoodArgs();
    args.pop_back();
    EXPECT_EQ(p.Invoke(1, DispatchKind::Method, args, nullptr), com::DISP_E_BADPARAMCOUNT);
    args = GoodArgs();
    args.push_back(Variant::I2(0));
    EXPECT_EQ(p.Invoke(1, DispatchKind::Method, args, nullptr), com::DISP_E_BADPARAMCOUNT);
    Variant r;
    EXPECT_EQ(p.Invoke(99, DispatchKind::Method, {}, &r), com::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(p.Invoke(1, DispatchKind::PropertyGet, {}, &r), com::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(p.Invoke(10, DispatchKind::Method, {}, &r), com::DISP_E_MEMBERNOTFOUND);
    // Read-only and write-only properties.
    EXPECT_EQ(p.Invoke(10, DispatchKind::PropertyPut, {Variant::I2(1)}, nullptr), com::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(p.Invoke(11, DispatchKind::PropertyGet, {}, &r), com::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(p.Invoke(11, DispatchKind::PropertyPut, {}, nullptr), com::DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(p.Invoke(10, DispatchKind::PropertyGet, {Variant::I2(1)}, &r), com::DISP_E_BADPARAMCOUNT);
}

TEST(ControlBaseTest, PropertiesConvertBothWays) {
    Probe p;
    ASSERT_EQ(p.Invoke(11, DispatchKind::PropertyPut, {Variant::I2(-5)}, nullptr), com::S_OK);
    EXPECT_EQ(p.value, -5);
    Variant r;
    ASSERT_EQ(p.Invoke(10, DispatchKind::PropertyGet, {}, &r), com::S_OK);
    EXPECT_EQ(r, Variant::I2(-5));  // the getter's I4 comes back as the declared I2
    EXPECT_EQ(p.Invoke(11, DispatchKind::PropertyPut, {Variant::Bstr("5")}, nullptr), com::DISP_E_TYPEMISMATCH);
    EXPECT_EQ(p.value, -5);
}

TEST(ControlBaseTest, FailuresInsideMembersBecomeResults) {
    Probe p;
    Variant r = Variant::I4(1);
    EXPECT_EQ(p.Invoke(2, DispatchKind::Method, {}, &r), com::E_FAIL);
    EXPECT_EQ(p.Invoke(3, DispatchKind::Method, {Variant::I4(-1)}, &r), com::E_INVALIDARG);
    EXPECT_EQ(r, Variant::I4(1)) << "a failed call must leave the result alone";
    EXPECT_EQ(p.Invoke(3, DispatchKind::Method, {Variant::I2(4)}, &r), com::S_OK);
    EXPECT_EQ(r, Variant::I4(40));
}

TEST(ControlBaseTest, EventsReachTheAdvisedSinkOnly) {
    Probe p;
    p.FireEvent(1, {Variant::I2(1)});  // no sink: nothing happens
    com::EventSinkMap sink;
    std::vector<Variant> got;
    int calls = 0;
    sink.On(5, [&](const std::vector<Variant>& a) {
        got = a;
        ++calls;
    });
    sink.On(6, [](const std::vector<Variant>&) { throw std::runtime_error("host handler failed"); });
    p.Advise(&sink);
    p.FireEvent(5, {Variant::I2(3), Variant::Bstr("x")});
    p.FireEvent(4, {});  // not handled: ignored
    EXPECT_NO_THROW(p.FireEvent(6, {}));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(got, (std::vector<Variant>{Variant::I2(3), Variant::Bstr("x")}));
    p.Advise(nullptr);
    p.FireEvent(5, {});
    EXPECT_EQ(calls, 1);
}

TEST(ControlBaseTest, WindowIsMadeOnceAndDiesWithTheControl) {
    QWidget container;
    QPointer<QWidget> window;
    const int before = com::ControlBase::LiveCount();
    {
        Probe p;
        EXPECT_EQ(com::ControlBase::LiveCount(), before + 1);
        window = p.CreateControlWindow(&container);
        ASSERT_TRUE(window);
        EXPECT_EQ(window->parentWidget(), &container);
        EXPECT_EQ(p.CreateControlWindow(&container), window.data());
        EXPECT_EQ(p.windowsMade, 1);
    }
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(com::ControlBase::LiveCount(), before);

    // The container may go first; the control then has no window left to delete.
    auto p = std::make_unique<Probe>();
    {
        QWidget shortLived;
        p->CreateControlWindow(&shortLived);
    }
    EXPECT_EQ(p->ControlWindow(), nullptr);
    p.reset();
}
