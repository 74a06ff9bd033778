#include "platform/com/control_site.h"

#include "platform/com/module_loader.h"
#include "platform/com/registration.h"
#include "platform/com/testmodule/test_ids.h"
#include "platform/registry/registry.h"
#include "platform/text/cp932.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <climits>
#include <cstdlib>

namespace com = platform::com;
namespace reg = platform::registry;
using com::ControlSite;
using com::Variant;
using namespace moneko_test;

namespace {

std::string RealPath(const std::string& path) {
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) ? buf : "";
}

void SetDefault(const std::string& keyPath, const std::string& value) {
    reg::HKEY key = nullptr;
    ASSERT_EQ(reg::RegCreateKeyA(reg::HKEY_CLASSES_ROOT, keyPath.c_str(), &key), reg::ERROR_SUCCESS);
    ASSERT_EQ(reg::RegSetValueExA(key, nullptr, 0, reg::REG_SZ, reinterpret_cast<const reg::BYTE*>(value.data()),
                                  static_cast<reg::DWORD>(value.size())),
              reg::ERROR_SUCCESS);
    reg::RegCloseKey(key);
}

bool KeyExists(const std::string& keyPath) {
    reg::HKEY key = nullptr;
    if (reg::RegOpenKeyExA(reg::HKEY_CLASSES_ROOT, keyPath.c_str(), 0, reg::KEY_READ, &key) != reg::ERROR_SUCCESS)
        return false;
    reg::RegCloseKey(key);
    return true;
}

std::string Value(const std::string& keyPath, const char* name) {
    reg::HKEY key = nullptr;
    if (reg::RegOpenKeyExA(reg::HKEY_CLASSES_ROOT, keyPath.c_str(), 0, reg::KEY_READ, &key) != reg::ERROR_SUCCESS)
        return "<no key>";
    char buf[512] = {};
    reg::DWORD size = sizeof buf, type = 0;
    const reg::LONG rc = reg::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<reg::BYTE*>(buf), &size);
    reg::RegCloseKey(key);
    return rc == reg::ERROR_SUCCESS ? std::string(buf) : "<no value>";
}

class ControlSiteTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        setenv("MONEKO_REGISTRY", dir_.filePath("registry.reg").toLocal8Bit().constData(), 1);
        unsetenv(kFailStartEnv);
        // Modules land beside the test binary.
        const char* bin = std::getenv("MONEKO_BIN_DIR");
        const std::string binDir = bin && *bin ? bin : QCoreApplication::applicationDirPath().toStdString();
        module_ = RealPath(binDir + "/testmodule.ocx");
        ASSERT_FALSE(module_.empty()) << "testmodule.ocx is not built";
    }
    void TearDown() override { unsetenv("MONEKO_REGISTRY"); }

    // A copy of the module under another name: dlopen treats it as a module never loaded before.
    std::string FreshCopy(const char* name) {
        const QString copy = dir_.filePath(name);
        EXPECT_TRUE(QFile::copy(QString::fromStdString(module_), copy));
        return RealPath(copy.toStdString());
    }

    std::unique_ptr<ControlSite> Registered(QWidget* container) {
        EXPECT_EQ(com::RegisterModuleFile(module_), com::S_OK);
        com::HResult hr = com::E_FAIL;
        auto site = ControlSite::CreateByProgId(kControlProgId, container, &hr);
        EXPECT_EQ(hr, com::S_OK);
        return site;
    }

    QTemporaryDir dir_;
    std::string module_;
};

}  // namespace

TEST_F(ControlSiteTest, RegistrationWritesTheStandardKeys) {
    ASSERT_EQ(com::RegisterModuleFile(module_), com::S_OK);
    const std::string cls = "CLSID\\" + kControlClsid.ToString();
    EXPECT_EQ(Value(cls, nullptr), "MonekoTest Control");
    EXPECT_EQ(Value(cls + "\\InprocServer32", nullptr), module_);
    EXPECT_EQ(Value(cls + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(Value(cls + "\\ProgID", nullptr), kControlProgId);
    EXPECT_TRUE(KeyExists(cls + "\\Control"));
    EXPECT_EQ(Value(cls + "\\MiscStatus\\1", nullptr), "131473");
    EXPECT_EQ(Value(cls + "\\TypeLib", nullptr), kTypeLib.ToString());
    EXPECT_EQ(Value(cls + "\\Version", nullptr), "1.0");
    EXPECT_EQ(Value(kControlProgId, nullptr), "MonekoTest Control");
    EXPECT_EQ(Value(std::string(kControlProgId) + "\\CLSID", nullptr), kControlClsid.ToString());
    const std::string lib = "TypeLib\\" + kTypeLib.ToString() + "\\1.0";
    EXPECT_EQ(Value(lib, nullptr), "MONEKOTESTLib");
    EXPECT_EQ(Value(lib + "\\0\\win32", nullptr), module_);
    // The property page is a plain class: creatable, but no control keys.
    const std::string page = "CLSID\\" + kPageClsid.ToString();
    EXPECT_EQ(Value(page + "\\InprocServer32", nullptr), module_);
    EXPECT_EQ(Value(std::string(kPageProgId) + "\\CLSID", nullptr), kPageClsid.ToString());
    EXPECT_FALSE(KeyExists(page + "\\Control"));
    EXPECT_FALSE(KeyExists(page + "\\MiscStatus"));
    // The module's own step ran after the classes.
    EXPECT_EQ(Value(kExtraKey, nullptr), kControlProgId);
}

TEST_F(ControlSiteTest, CallsAndPropertiesByDispid) {
    QWidget container;
    auto site = Registered(&container);
    ASSERT_TRUE(site);
    Variant r;
    ASSERT_EQ(site->Call(kAdd, {Variant::I4(2), Variant::I2(3)}, &r), com::S_OK);
    EXPECT_EQ(r, Variant::I4(5));
    ASSERT_EQ(site->Call(kScale, {Variant::I4(3)}, &r), com::S_OK);
    EXPECT_EQ(r, Variant::R4(6.0f));

    // Shift-JIS with a 0x5C trail byte (ソ, 表) and ♪ must cross unchanged.
    const std::string text = platform::Sjis("ソ表♪テスト");
    ASSERT_EQ(site->Put(kCaption, Variant::Bstr(text)), com::S_OK);
    ASSERT_EQ(site->Get(kCaption, &r), com::S_OK);
    EXPECT_EQ(r, Variant::Bstr(text));
    auto* label = container.findChild<QLabel*>("TestControlLabel");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QString::fromUtf8("ソ表♪テスト"));

    EXPECT_EQ(site->Put(kFlag, Variant::I4(1)), com::S_OK);
    EXPECT_EQ(site->Get(kFlag, &r), com::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(site->Put(kCount, Variant::I4(1)), com::DISP_E_MEMBERNOTFOUND);
}

TEST_F(ControlSiteTest, BadCallsReturnErrorCodes) {
    auto site = Registered(nullptr);
    ASSERT_TRUE(site);
    Variant r = Variant::I4(-1);
    EXPECT_EQ(site->Call(1234, {}, &r), com::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(site->Get(1234, &r), com::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(site->Call(kAdd, {Variant::I4(1), Variant::Bstr("2")}, &r), com::DISP_E_TYPEMISMATCH);
    EXPECT_EQ(site->Call(kAdd, {Variant::I4(1)}, &r), com::DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(site->Call(kPing, {Variant::Bstr("x"), Variant::I4(40000)}, &r), com::DISP_E_TYPEMISMATCH);
    EXPECT_EQ(site->Put(kCaption, Variant::I4(5)), com::DISP_E_TYPEMISMATCH);
    EXPECT_EQ(site->Call(kFail, {}, &r), com::E_FAIL);
    EXPECT_EQ(r, Variant::I4(-1));
    EXPECT_EQ(site->Get(kCount, &r), com::S_OK);
    EXPECT_EQ(r, Variant::I4(0)) << "a refused call must not have run";
}

TEST_F(ControlSiteTest, EventsArriveThroughTheSinkMap) {
    auto site = Registered(nullptr);
    ASSERT_TRUE(site);
    com::EventSinkMap sink;
    std::vector<std::vector<Variant>> events;
    sink.On(kPinged, [&](const std::vector<Variant>& a) { events.push_back(a); });
    site->Advise(&sink);
    const std::string text = platform::Sjis("こんにちは");
    Variant r;
    ASSERT_EQ(site->Call(kPing, {Variant::Bstr(text), Variant::I2(41)}, &r), com::S_OK);
    EXPECT_EQ(r, Variant::Bool(true));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], (std::vector<Variant>{Variant::Bstr(text), Variant::I2(42)}));

    site->Advise(nullptr);
    ASSERT_EQ(site->Call(kPing, {Variant::Bstr("x"), Variant::I2(0)}, &r), com::S_OK);
    EXPECT_EQ(events.size(), 1u);
    ASSERT_EQ(site->Get(kCount, &r), com::S_OK);
    EXPECT_EQ(r, Variant::I4(2));
}

TEST_F(ControlSiteTest, WindowIsAChildOfTheContainerAndDiesWithTheSite) {
    QWidget container;
    container.resize(300, 200);
    container.show();
    auto site = Registered(&container);
    ASSERT_TRUE(site);
    QPointer<QWidget> window = site->Window();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->parentWidget(), &container);
    EXPECT_TRUE(window->isVisible());
    site->SetGeometry(QRect(10, 20, 120, 80));
    EXPECT_EQ(window->geometry(), QRect(10, 20, 120, 80));
    site.reset();
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(container.findChildren<QWidget*>().isEmpty());
}

TEST_F(ControlSiteTest, ContainerDestroyedFirstLeavesTheSiteUsable) {
    auto container = std::make_unique<QWidget>();
    auto site = Registered(container.get());
    ASSERT_TRUE(site && site->Window());
    container.reset();
    EXPECT_EQ(site->Window(), nullptr);
    Variant r;
    EXPECT_EQ(site->Put(kCaption, Variant::Bstr("after")), com::S_OK);
    EXPECT_EQ(site->Call(kAdd, {Variant::I4(1), Variant::I4(1)}, &r), com::S_OK);
}

TEST_F(ControlSiteTest, TheModuleIsLoadedOnceAndMayUnloadOnlyWithoutObjects) {
    auto& loader = com::ModuleLoader::Instance();
    auto first = Registered(nullptr);
    const int loaded = loader.LoadedCount();
    EXPECT_TRUE(loader.IsLoaded(module_));
    auto second = ControlSite::Create(kControlClsid, nullptr);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(loader.LoadedCount(), loaded);
    EXPECT_NE(first->control(), second->control());

    com::ModuleLoader::Module* module = nullptr;
    ASSERT_EQ(loader.Load(module_, &module), com::S_OK);
    ASSERT_NE(module->canUnloadNow, nullptr);
    EXPECT_EQ(module->canUnloadNow(), com::S_FALSE);
    first.reset();
    EXPECT_EQ(module->canUnloadNow(), com::S_FALSE);
    second.reset();
    EXPECT_EQ(module->canUnloadNow(), com::S_OK);
}

TEST_F(ControlSiteTest, LookupFailuresHaveTheirOwnCodes) {
    com::HResult hr = com::S_OK;
    EXPECT_EQ(ControlSite::CreateByProgId("NO.Such.1", nullptr, &hr), nullptr);
    EXPECT_EQ(hr, com::CO_E_CLASSSTRING);
    EXPECT_EQ(ControlSite::CreateByProgId("", nullptr, &hr), nullptr);
    EXPECT_EQ(hr, com::CO_E_CLASSSTRING);
    EXPECT_EQ(ControlSite::Create(kControlClsid, nullptr, &hr), nullptr);
    EXPECT_EQ(hr, com::REGDB_E_CLASSNOTREG);

    ASSERT_EQ(com::RegisterModuleFile(module_), com::S_OK);
    // A ProgID that names no valid class id, and one that smuggles a key path.
    SetDefault("BROKEN.Prog.1\\CLSID", "not a guid");
    EXPECT_EQ(ControlSite::CreateByProgId("BROKEN.Prog.1", nullptr, &hr), nullptr);
    EXPECT_EQ(hr, com::CO_E_CLASSSTRING);
    EXPECT_EQ(ControlSite::CreateByProgId("CLSID\\" + kControlClsid.ToString() + "\\ProgID", nullptr, &hr), nullptr);
    EXPECT_EQ(hr, com::CO_E_CLASSSTRING);

    // Registered to this module, but the module does not make it.
    const com::Guid stranger{0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};
    SetDefault("CLSID\\" + stranger.ToString() + "\\InprocServer32", module_);
    EXPECT_EQ(ControlSite::Create(stranger, nullptr, &hr), nullptr);
    EXPECT_EQ(hr, com::CLASS_E_CLASSNOTAVAILABLE);

    // The property page class is known, but makes no control.
    EXPECT_EQ(ControlSite::Create(kPageClsid, nullptr, &hr), nullptr);
    EXPECT_FALSE(com::Succeeded(hr));
}

TEST_F(ControlSiteTest, MissingOrBrokenModulesAreReported) {
    ASSERT_EQ(com::RegisterModuleFile(module_), com::S_OK);
    const std::string server = "CLSID\\" + kControlClsid.ToString() + "\\InprocServer32";
    com::HResult hr = com::S_OK;

    SetDefault(server, dir_.filePath("gone.ocx").toStdString());
    EXPECT_EQ(ControlSite::Create(kControlClsid, nullptr, &hr), nullptr);
    EXPECT_EQ(hr, com::CO_E_DLLNOTFOUND);

    const QString text = dir_.filePath("text.ocx");
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a module");
    f.close();
    SetDefault(server, text.toStdString());
    EXPECT_EQ(ControlSite::Create(kControlClsid, nullptr, &hr), nullptr);
    EXPECT_EQ(hr, com::CO_E_DLLNOTFOUND);
    EXPECT_FALSE(com::ModuleLoader::Instance().LastError().empty());
    EXPECT_EQ(com::RegisterModuleFile(text.toStdString()), com::CO_E_DLLNOTFOUND);

    // A loadable library without the exports.
    const std::string libm = RealPath("/lib/x86_64-linux-gnu/libm.so.6");
    if (!libm.empty()) {
        SetDefault(server, libm);
        EXPECT_EQ(ControlSite::Create(kControlClsid, nullptr, &hr), nullptr);
        EXPECT_EQ(hr, com::CO_E_ERRORINDLL);
        EXPECT_EQ(com::RegisterModuleFile(libm), com::CO_E_ERRORINDLL);
    }
}

TEST_F(ControlSiteTest, AFailedModuleStartIsTriedAgainOnTheNextLoad) {
    const std::string copy = FreshCopy("again.ocx");
    ASSERT_EQ(com::RegisterModuleFile(copy), com::S_OK);  // registering does not start it
    EXPECT_EQ(Value("CLSID\\" + kControlClsid.ToString() + "\\InprocServer32", nullptr), copy);
    setenv(kFailStartEnv, "1", 1);
    com::HResult hr = com::S_OK;
    EXPECT_EQ(ControlSite::Create(kControlClsid, nullptr, &hr), nullptr);
    EXPECT_EQ(hr, com::CO_E_ERRORINDLL);
    unsetenv(kFailStartEnv);
    auto site = ControlSite::Create(kControlClsid, nullptr, &hr);
    EXPECT_EQ(hr, com::S_OK);
    EXPECT_TRUE(site);
}

TEST_F(ControlSiteTest, UnregisteringRemovesTheKeysAndCreationThenFails) {
    ASSERT_EQ(com::RegisterModuleFile(module_), com::S_OK);
    ASSERT_TRUE(ControlSite::CreateByProgId(kControlProgId, nullptr));
    // Another class has since claimed the page's ProgID: that key is theirs now.
    const com::Guid other{0x99999999, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 5}};
    SetDefault(std::string(kPageProgId) + "\\CLSID", other.ToString());

    ASSERT_EQ(com::UnregisterModuleFile(module_), com::S_OK);
    EXPECT_FALSE(KeyExists("CLSID\\" + kControlClsid.ToString()));
    EXPECT_FALSE(KeyExists("CLSID\\" + kPageClsid.ToString()));
    EXPECT_FALSE(KeyExists(kControlProgId));
    EXPECT_FALSE(KeyExists("TypeLib\\" + kTypeLib.ToString()));
    EXPECT_FALSE(KeyExists(kExtraKey));
    EXPECT_EQ(Value(std::string(kPageProgId) + "\\CLSID", nullptr), other.ToString());

    com::HResult hr = com::S_OK;
    EXPECT_EQ(ControlSite::CreateByProgId(kControlProgId, nullptr, &hr), nullptr);
    EXPECT_EQ(hr, com::CO_E_CLASSSTRING);
    EXPECT_EQ(ControlSite::Create(kControlClsid, nullptr, &hr), nullptr);
    EXPECT_EQ(hr, com::REGDB_E_CLASSNOTREG);
    // Unregistering twice is harmless.
    EXPECT_EQ(com::UnregisterModuleFile(module_), com::S_OK);
}

TEST(RegistrationTest, TypeLibKeyStaysWhileAnotherVersionIsRegistered) {
    QTemporaryDir dir;
    setenv("MONEKO_REGISTRY", dir.filePath("registry.reg").toLocal8Bit().constData(), 1);
    const com::Guid lib{0x12121212, 0x3434, 0x5656, {7, 7, 7, 7, 7, 7, 7, 7}};
    ASSERT_EQ(com::RegisterTypeLib(lib, "A", "1.0", "/x/a.ocx"), com::S_OK);
    ASSERT_EQ(com::RegisterTypeLib(lib, "A", "2.0", "/x/a.ocx"), com::S_OK);
    EXPECT_EQ(Value("TypeLib\\" + lib.ToString() + "\\1.0\\HELPDIR", nullptr), "/x");
    ASSERT_EQ(com::UnregisterTypeLib(lib, "1.0"), com::S_OK);
    EXPECT_FALSE(KeyExists("TypeLib\\" + lib.ToString() + "\\1.0"));
    EXPECT_TRUE(KeyExists("TypeLib\\" + lib.ToString() + "\\2.0"));
    ASSERT_EQ(com::UnregisterTypeLib(lib, "2.0"), com::S_OK);
    EXPECT_FALSE(KeyExists("TypeLib\\" + lib.ToString()));
    unsetenv("MONEKO_REGISTRY");
}
