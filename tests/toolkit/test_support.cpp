#include "test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace talvik::test {

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "talvik_tests";
        static char* argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

QString SourceDir() {
    const QString from_env = qEnvironmentVariable("TALVIK_SOURCE_DIR");
    return (from_env.isEmpty() ? QStringLiteral(TALVIK_SOURCE_DIR) : from_env) + QLatin1Char('/');
}

QString ResDir() {
    return SourceDir() + QStringLiteral("res/");
}

TestToolkit::TestToolkit() : Toolkit(SourceDir() + QStringLiteral("tests/toolkit/res/")) {
    RegisterWidgetClass(QStringLiteral("TestPalette"),
                        [](QWidget* parent) { return new TestPalette(parent); });
    EXPECT_TRUE(LoadLanguage(QStringLiteral("lan/A.xml")));
}

}  // namespace talvik::test
