#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Every test program gets a QApplication, so widget tests and tests of code that
// lets window events run share one start-up. The platform is offscreen under CTest.
int main(int argc, char** argv)
{
    // Headless unless a display is asked for explicitly, also when CMake lists
    // the tests at build time.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    // What the program remembers between runs goes to a folder of the test
    // run's own, never into the user's settings.
    const QTemporaryDir settings;
    for (const auto scope : { QSettings::UserScope, QSettings::SystemScope })
        QSettings::setPath(QSettings::NativeFormat, scope, settings.path());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
