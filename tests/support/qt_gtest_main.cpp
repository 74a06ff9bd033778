#include <QApplication>
#include <QFont>
#include <QSurfaceFormat>
#include <gtest/gtest.h>

namespace {
void SetDefault(const char* name, const char* value) {
    if (!qEnvironmentVariableIsSet(name)) qputenv(name, value);
}
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery runs at build time, where there may be no display: listing needs no app.
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    SetDefault("QT_QPA_PLATFORM", MONEKO_TEST_QPA);
    SetDefault("MONEKO_BIN_DIR", MONEKO_TEST_BIN_DIR);
    SetDefault("MONEKO_SOURCE_DIR", MONEKO_TEST_SOURCE_DIR);
    SetDefault("FONTCONFIG_FILE", MONEKO_TEST_FONTCONFIG);
    SetDefault("QTEST_FUNCTION_TIMEOUT", "20000");
    // GL widgets need the compatibility profile the 3D controls render with; set before the app.
    QSurfaceFormat format;
    format.setVersion(2, 1);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);
    QApplication::setAttribute(Qt::AA_Use96Dpi);
    QApplication app(argc, argv);
    QFont::insertSubstitution(QString::fromUtf8("ＭＳ Ｐゴシック"), "VL PGothic");
    QFont::insertSubstitution(QString::fromUtf8("MS PGothic"), "VL PGothic");
    QFont font("VL PGothic");
    font.setPixelSize(12);
    QApplication::setFont(font);
    return RUN_ALL_TESTS();
}
